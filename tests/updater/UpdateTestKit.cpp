#include "UpdateTestKit.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryFile>
#include <archive.h>
#include <archive_entry.h>
#include <openssl/evp.h>
#include <unistd.h>

namespace plumet::test {

struct SigningKey::Key {
    EVP_PKEY* pkey = nullptr;
};

SigningKey::SigningKey() : m_key(std::make_unique<Key>())
{
    m_key->pkey = EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519");
}

SigningKey::SigningKey(const QByteArray& hexSeed) : m_key(std::make_unique<Key>())
{
    const QByteArray seed = QByteArray::fromHex(hexSeed);
    m_key->pkey = EVP_PKEY_new_raw_private_key(
        EVP_PKEY_ED25519, nullptr, reinterpret_cast<const unsigned char*>(seed.constData()),
        size_t(seed.size()));
}

SigningKey::~SigningKey()
{
    EVP_PKEY_free(m_key->pkey);
}

QByteArray SigningKey::publicKey() const
{
    QByteArray raw(32, '\0');
    size_t size = size_t(raw.size());
    if (EVP_PKEY_get_raw_public_key(m_key->pkey, reinterpret_cast<unsigned char*>(raw.data()),
                                    &size) != 1)
        return {};
    raw.resize(qsizetype(size));
    return raw;
}

QByteArray SigningKey::sign(const QByteArray& message) const
{
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    QByteArray signature(64, '\0');
    size_t size = size_t(signature.size());
    const bool signedOk =
        EVP_DigestSignInit(context, nullptr, nullptr, nullptr, m_key->pkey) == 1 &&
        EVP_DigestSign(context, reinterpret_cast<unsigned char*>(signature.data()), &size,
                       reinterpret_cast<const unsigned char*>(message.constData()),
                       size_t(message.size())) == 1;
    EVP_MD_CTX_free(context);
    return signedOk ? signature : QByteArray();
}

ArchiveEntry ArchiveEntry::file(const QByteArray& path, const QByteArray& content, int mode)
{
    return {path, Type::File, content, mode, {}};
}

ArchiveEntry ArchiveEntry::folder(const QByteArray& path)
{
    return {path, Type::Folder, {}, 0755, {}};
}

ArchiveEntry ArchiveEntry::link(Type type, const QByteArray& path, const QByteArray& target)
{
    return {path, type, {}, 0777, target};
}

QByteArray makeArchive(const QList<ArchiveEntry>& entries, ArchiveFormat format)
{
    QTemporaryFile file;
    if (!file.open())
        return {};
    archive* out = archive_write_new();
    if (format == ArchiveFormat::Zip) {
        archive_write_set_format_zip(out);
    } else {
        archive_write_set_format_pax_restricted(out);
        archive_write_add_filter_gzip(out);
    }
    archive_write_open_filename(out, QFile::encodeName(file.fileName()).constData());
    for (const ArchiveEntry& item : entries) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, item.path.constData());
        archive_entry_set_perm(entry, item.mode);
        switch (item.type) {
        case ArchiveEntry::Type::File:
            archive_entry_set_filetype(entry, AE_IFREG);
            archive_entry_set_size(entry, item.content.size());
            break;
        case ArchiveEntry::Type::Folder:
            archive_entry_set_filetype(entry, AE_IFDIR);
            break;
        case ArchiveEntry::Type::Symlink:
            archive_entry_set_filetype(entry, AE_IFLNK);
            archive_entry_set_symlink(entry, item.target.constData());
            break;
        case ArchiveEntry::Type::Hardlink:
            archive_entry_set_filetype(entry, AE_IFREG);
            archive_entry_set_hardlink(entry, item.target.constData());
            break;
        case ArchiveEntry::Type::Fifo:
            archive_entry_set_filetype(entry, AE_IFIFO);
            break;
        }
        archive_write_header(out, entry);
        if (item.type == ArchiveEntry::Type::File && !item.content.isEmpty())
            archive_write_data(out, item.content.constData(), size_t(item.content.size()));
        archive_entry_free(entry);
    }
    archive_write_close(out);
    archive_write_free(out);
    file.seek(0);
    return file.readAll();
}

namespace {

// As the build writes it, with the tag on a line of its own.
QByteArray markerText(const QByteArray& tag, const QByteArray& version)
{
    return "This folder is a self-contained installation of plumet " + version + ".\n" + tag;
}

QByteArray programText(const QByteArray& tag)
{
    return "#!/bin/sh\necho " + tag + " >> \"$PLUMET_TEST_LAUNCH_LOG\"\n";
}

} // namespace

QList<ArchiveEntry> installEntries(const QByteArray& tag, const QByteArray& version)
{
    return {ArchiveEntry::folder("plumet/"),
            ArchiveEntry::folder("plumet/bin/"),
            ArchiveEntry::file("plumet/bin/plumet", programText(tag), 0755),
            ArchiveEntry::folder("plumet/lib/plumet/"),
            ArchiveEntry::file("plumet/lib/plumet/libplumet_fake.so", "library " + tag),
            ArchiveEntry::file("plumet/plumet-self-contained", markerText(tag, version))};
}

bool makeInstallFolder(const QString& folder, const QByteArray& tag, const QByteArray& version)
{
    if (!QDir().mkpath(folder + QStringLiteral("/bin")) ||
        !QDir().mkpath(folder + QStringLiteral("/lib/plumet")))
        return false;
    auto write = [&](const QString& name, const QByteArray& bytes, bool executable) {
        QFile file(folder + QLatin1Char('/') + name);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return false;
        file.close();
        return !executable || file.setPermissions(file.permissions() | QFileDevice::ExeOwner |
                                                  QFileDevice::ExeGroup | QFileDevice::ExeOther);
    };
    return write(QStringLiteral("bin/plumet"), programText(tag), true) &&
           write(QStringLiteral("lib/plumet/libplumet_fake.so"), "library " + tag, false) &&
           write(QStringLiteral("plumet-self-contained"), markerText(tag, version), false);
}

QByteArray installTag(const QString& folder)
{
    QFile file(folder + QStringLiteral("/plumet-self-contained"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray text = file.readAll();
    return text.mid(text.indexOf('\n') + 1);
}

QByteArray sha256Hex(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

TestHttpServer::Response serveWithRanges(const TestHttpServer::Request& request,
                                         const QByteArray& body)
{
    using Response = TestHttpServer::Response;
    const QByteArray range = request.header("Range");
    if (!range.startsWith("bytes="))
        return Response::ok(body, "application/octet-stream");
    const qsizetype from = range.mid(6, range.indexOf('-') - 6).toLongLong();
    Response partial = Response::ok(body.mid(from), "application/octet-stream");
    partial.status = 206;
    partial.headers.append({QByteArray("Content-Range"), "bytes " + QByteArray::number(from) + '-' +
                                                             QByteArray::number(body.size() - 1) +
                                                             '/' +
                                                             QByteArray::number(body.size())});
    return partial;
}

bool giveToAnotherUser(const QString& folder)
{
    const QString owner = QStringLiteral("%1:%1").arg(anotherUser);
    return ::geteuid() == 0 &&
           QProcess::execute(QStringLiteral("chown"), {QStringLiteral("-R"), owner, folder}) == 0;
}

bool FailingSwap::renameFolder(const QString& from, const QString& to, QString* error)
{
    if (m_failing.contains(++m_renames)) {
        *error = QStringLiteral("refused for the test");
        return false;
    }
    return FolderSwap::renameFolder(from, to, error);
}

} // namespace plumet::test
