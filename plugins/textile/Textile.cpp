#include "Textile.h"

#include "TextileLog.h"
#include "TextileRunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <dlfcn.h>

namespace {

// The bundle is the folder that holds this library.
QString bundleFolder()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&bundleFolder), &info) == 0 || !info.dli_fname)
        return {};
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absolutePath();
}

} // namespace

Textile::Textile()
    : m_scriptPath(QDir(bundleFolder()).filePath(QStringLiteral("Resources/textile.perl")))
{
}

QString Textile::formatterDescription() const
{
    return QCoreApplication::translate(
        "Textile", "Textile formatter for blog entries that specify Textile format.");
}

bool Textile::willHandleFormat(const QString& format) const
{
    return format.contains(QLatin1String("Textile"), Qt::CaseInsensitive);
}

QString Textile::formatText(const QString& text)
{
    const TextileRunner::Result result = TextileRunner(m_scriptPath).run(text);
    if (!result.error.isEmpty())
        qCWarning(lcTextile).noquote() << "Textile:" << result.error;
    return result.html;
}
