#include "ArchiveUnpacker.h"

#include "InstallLayout.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <archive.h>
#include <archive_entry.h>
#include <memory>

namespace ArchiveUnpacker {

namespace {

using ArchivePtr = std::unique_ptr<archive, int (*)(archive*)>;

QString tr(const char* text)
{
    return QCoreApplication::translate("PUController", text);
}

QString archiveError(archive* a)
{
    const char* text = archive_error_string(a);
    return text ? QString::fromLocal8Bit(text) : tr("unknown error");
}

// Why the entry may not be unpacked, or empty when it may.
QString refusal(archive_entry* entry)
{
    const char* raw = archive_entry_pathname(entry);
    const QByteArray name = raw ? QByteArray(raw) : QByteArray();
    const QString shown = QString::fromLocal8Bit(name);
    if (name.isEmpty())
        return tr("an entry has no name");
    if (name.startsWith('/'))
        return tr("\"%1\" has an absolute path").arg(shown);
    QByteArray first;
    for (const QByteArray& component : name.split('/')) {
        if (component == "..")
            return tr("\"%1\" leads out of its folder").arg(shown);
        if (first.isEmpty() && !component.isEmpty() && component != ".")
            first = component;
    }
    if (first != InstallLayout::archiveFolder)
        return tr("\"%1\" lies outside the folder \"%2\"")
            .arg(shown, QLatin1String(InstallLayout::archiveFolder));
    if (archive_entry_hardlink(entry) || archive_entry_symlink(entry))
        return tr("\"%1\" is a link").arg(shown);
    const auto type = archive_entry_filetype(entry);
    if (type != AE_IFREG && type != AE_IFDIR)
        return tr("\"%1\" is neither a file nor a folder").arg(shown);
    return {};
}

} // namespace

Result unpack(const QString& archivePath, const QString& destination,
              const std::function<void(int)>& progress)
{
    const qint64 archiveSize = QFileInfo(archivePath).size();
    ArchivePtr in(archive_read_new(), &archive_read_free);
    archive_read_support_filter_all(in.get());
    archive_read_support_format_all(in.get());
    if (archive_read_open_filename(in.get(), QFile::encodeName(archivePath).constData(), 65536) !=
        ARCHIVE_OK)
        return {false, tr("The archive cannot be opened: %1").arg(archiveError(in.get()))};

    ArchivePtr out(archive_write_disk_new(), &archive_write_free);
    // Entry names are checked above; libarchive checks again that nothing is
    // written through a link or a "..". The written paths are absolute by our
    // own making, under the destination's real path.
    archive_write_disk_set_options(out.get(), ARCHIVE_EXTRACT_TIME |
                                                  ARCHIVE_EXTRACT_SECURE_SYMLINKS |
                                                  ARCHIVE_EXTRACT_SECURE_NODOTDOT);
    const QString folder = QFileInfo(destination).canonicalFilePath();
    if (folder.isEmpty())
        return {false, tr("The folder to unpack into is missing.")};
    const QByteArray base = QFile::encodeName(folder) + '/';
    int entries = 0;
    int lastPercent = -1;
    archive_entry* entry = nullptr;
    for (;;) {
        const int status = archive_read_next_header(in.get(), &entry);
        if (status == ARCHIVE_EOF)
            break;
        if (status != ARCHIVE_OK)
            return {false, tr("The archive is damaged: %1").arg(archiveError(in.get()))};
        if (const QString why = refusal(entry); !why.isEmpty())
            return {false, tr("The archive is not a plumet update: %1.").arg(why)};

        const bool isFolder = archive_entry_filetype(entry) == AE_IFDIR;
        const bool executable = archive_entry_perm(entry) & 0111;
        archive_entry_set_perm(entry, isFolder || executable ? 0755 : 0644);
        archive_entry_copy_pathname(entry, (base + archive_entry_pathname(entry)).constData());
        if (archive_write_header(out.get(), entry) != ARCHIVE_OK)
            return {false, tr("The archive cannot be unpacked: %1").arg(archiveError(out.get()))};

        const void* block = nullptr;
        size_t size = 0;
        la_int64_t offset = 0;
        for (;;) {
            const int read = archive_read_data_block(in.get(), &block, &size, &offset);
            if (read == ARCHIVE_EOF)
                break;
            if (read != ARCHIVE_OK)
                return {false, tr("The archive is damaged: %1").arg(archiveError(in.get()))};
            if (archive_write_data_block(out.get(), block, size, offset) != ARCHIVE_OK)
                return {false,
                        tr("The archive cannot be unpacked: %1").arg(archiveError(out.get()))};
        }
        if (archive_write_finish_entry(out.get()) != ARCHIVE_OK)
            return {false, tr("The archive cannot be unpacked: %1").arg(archiveError(out.get()))};
        ++entries;

        if (progress && archiveSize > 0) {
            const int percent =
                int(qMin<qint64>(100, archive_filter_bytes(in.get(), -1) * 100 / archiveSize));
            if (percent != lastPercent)
                progress(lastPercent = percent);
        }
    }
    if (archive_write_close(out.get()) != ARCHIVE_OK)
        return {false, tr("The archive cannot be unpacked: %1").arg(archiveError(out.get()))};
    if (entries == 0)
        return {false, tr("The archive is empty.")};
    return {true, {}};
}

} // namespace ArchiveUnpacker
