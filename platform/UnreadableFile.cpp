#include "UnreadableFile.h"

#include "Localization.h"
#include "PlatformLog.h"

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

    // The readers' messages already say which file could not be read and why;
    // a bare reason is put in a sentence of our own.
    const bool reasonNamesTheFile = reason.startsWith(QStringLiteral("The file \"%1\"").arg(path));
    const QString shownPath = QDir::toNativeSeparators(path);
    QFile file(path);
    if (!file.rename(target)) {
        const QString text =
            reasonNamesTheFile
                ? localized("Files", "%1 It could not be moved aside either: %2")
                      .arg(reason, file.errorString())
                : localized("Files", "The file \"%1\" could not be read (%2), and it could not "
                                     "be moved aside: %3")
                      .arg(shownPath, reason, file.errorString());
        qCWarning(lcPlatform).noquote() << text;
        if (error)
            *error = text;
        if (message)
            *message = text;
        return {};
    }
    const QString kept = QDir::toNativeSeparators(target);
    const QString text =
        reasonNamesTheFile
            ? localized("Files", "%1 It has been kept as \"%2\".").arg(reason, kept)
            : localized("Files", "The file \"%1\" could not be read (%2). It has been kept as "
                                 "\"%3\".")
                  .arg(shownPath, reason, kept);
    qCWarning(lcPlatform).noquote() << text;
    if (message)
        *message = text;
    return target;
}
