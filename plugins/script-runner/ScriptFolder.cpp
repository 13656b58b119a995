#include "ScriptFolder.h"

#include "PLUMETPreferences.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace scriptrunner {

QString scriptsFolder()
{
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty())
        return {};
    const QString folder = dataHome + QStringLiteral("/plumet3/scripts");
    return QDir().mkpath(folder) ? folder : QString();
}

QHash<QString, QString> listScripts(const QString& folder)
{
    static const QStringList listed = {
        QStringLiteral("pl"),  QStringLiteral("php"), QStringLiteral("rb"), QStringLiteral("py"),
        QStringLiteral("txt"), QStringLiteral("js"),  QStringLiteral("sh"),
    };
    QHash<QString, QString> scripts;
    if (folder.isEmpty())
        return scripts;
    const QFileInfoList files =
        QDir(folder).entryInfoList(QDir::Files | QDir::Readable, QDir::Unsorted);
    for (const QFileInfo& file : files) {
        const QString extension = file.suffix();
        if (listed.contains(extension) && !file.completeBaseName().isEmpty())
            scripts.insert(file.completeBaseName(), extension);
    }
    return scripts;
}

QString interpreterFor(const QString& extension, const PLUMETPreferences* preferences)
{
    for (const InterpreterKind& kind : interpreterKinds) {
        if (extension != QLatin1String(kind.extension))
            continue;
        const QString chosen =
            preferences ? preferences->value(QLatin1String(kind.key)).toString().trimmed()
                        : QString();
        return chosen.isEmpty() ? QString::fromLatin1(kind.defaultPath) : chosen;
    }
    return {};
}

} // namespace scriptrunner
