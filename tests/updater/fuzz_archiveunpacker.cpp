// Feeds arbitrary bytes to the update unpacker as an archive. Whatever they
// hold, nothing may be written beside the folder unpacked into, nothing in it
// may be a link or special file, no file may keep a set-id bit or rights
// beyond 0755, and an unpack that succeeds holds only "plumet".
#include "ArchiveUnpacker.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>
#include <sys/stat.h>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// Every entry under `folder` is a plain file or folder with reduced rights.
void checkTree(const QString& folder)
{
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat status {};
        check(::lstat(QFile::encodeName(path).constData(), &status) == 0);
        check(S_ISREG(status.st_mode) || S_ISDIR(status.st_mode));
        check((status.st_mode & 07000) == 0);
        check((status.st_mode & 0777 & ~0755) == 0);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir scratch;
    check(scratch.isValid());
    // The archive lies beside the box; the box holds only the destination.
    const QString archivePath = scratch.filePath(QStringLiteral("update.archive"));
    const QString box = scratch.filePath(QStringLiteral("box"));
    const QString destination = box + QStringLiteral("/unpacked");
    QDir(box).removeRecursively();
    check(QDir().mkpath(destination));
    {
        QFile archive(archivePath);
        check(archive.open(QIODevice::WriteOnly | QIODevice::Truncate));
        check(archive.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size));
    }

    int lastPercent = -1;
    const ArchiveUnpacker::Result result =
        ArchiveUnpacker::unpack(archivePath, destination, [&lastPercent](int percent) {
            check(percent >= 0 && percent <= 100 && percent > lastPercent);
            lastPercent = percent;
        });
    check(result.unpacked == result.error.isEmpty());

    check(QDir(box).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                              QDir::NoDotAndDotDot) == QStringList{QStringLiteral("unpacked")});
    check(QDir(scratch.path())
              .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
              .size() == 2);
    checkTree(destination);
    if (result.unpacked)
        check(QDir(destination)
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                             QDir::NoDotAndDotDot) == QStringList{QStringLiteral("plumet")});
    return 0;
}
