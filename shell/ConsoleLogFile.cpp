#include "ConsoleLogFile.h"

#include <QSaveFile>

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
    QSaveFile file(path);
    const QByteArray bytes = text.toUtf8();
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    file.cancelWriting();
    return false;
}

} // namespace ConsoleLogFile
