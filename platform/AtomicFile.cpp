#include "AtomicFile.h"

#include <QSaveFile>

bool AtomicFile::write(const QString& path, const QByteArray& bytes, QString* error)
{
    QSaveFile file(path);
    const auto failed = [&](const QString& reason) {
        if (error)
            *error = QStringLiteral("The file \"%1\" could not be saved: %2.").arg(path, reason);
        file.cancelWriting();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly))
        return failed(file.errorString());
    if (file.write(bytes) != bytes.size())
        return failed(file.errorString());
    if (!file.commit())
        return failed(file.errorString());
    return true;
}
