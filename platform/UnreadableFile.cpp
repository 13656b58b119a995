#include "UnreadableFile.h"

#include "Localization.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

QString UnreadableFile::moveAside(const QString& path, const QString& reason, QString* message,
                                  QString* error, const QDateTime& now)
{
    const QString base =
        path + QLatin1Char('.') + now.toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
    QString target = base + QStringLiteral(".unreadable");
    for (int counter = 2; QFileInfo::exists(target); ++counter)
        target = base + QStringLiteral("-%1.unreadable").arg(counter);

    QFile file(path);
    if (!file.rename(target)) {
        const QString text =
            localized("Files", "The file \"%1\" could not be read (%2), and it could not be "
                               "moved aside: %3")
                .arg(QDir::toNativeSeparators(path), reason, file.errorString());
        qWarning().noquote() << text;
        if (error)
            *error = text;
        if (message)
            *message = text;
        return {};
    }
    const QString text =
        localized("Files", "The file \"%1\" could not be read (%2). It has been kept as \"%3\".")
            .arg(QDir::toNativeSeparators(path), reason, QDir::toNativeSeparators(target));
    qWarning().noquote() << text;
    if (message)
        *message = text;
    return target;
}
