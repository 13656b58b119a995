#include "ConsoleLogFile.h"

#include "AtomicFile.h"

namespace ConsoleLogFile {

QString suggestedFileName(const QString& text)
{
    QString extension = QStringLiteral("txt");
    if (text.contains(QLatin1String("<html"), Qt::CaseInsensitive))
        extension = QStringLiteral("html");
    else if (text.contains(QLatin1String("<?xml"), Qt::CaseInsensitive))
        extension = QStringLiteral("xml");
    return QStringLiteral("plumet-source.") + extension;
}

bool save(const QString& path, const QString& text, QString* error)
{
    return AtomicFile::write(path, text.toUtf8(), error);
}

} // namespace ConsoleLogFile
