#pragma once

#include "FolderSwap.h"
#include "TestHttpServer.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <memory>

// Pieces the updater's tests build updates from: a signing key made for the
// run, archives with any entries (good or hostile), and installation folders
// whose program only notes that it was started.
namespace plumet::test {

// The seed of the key whose public half the tests' build of the privileged
// helper carries (tests/updater/CMakeLists.txt): Base64
// "tdGk6qKDilxyHKLe6QryRe7Sr6wEWLq0R1WUg73bL0U=".
inline constexpr char helperKeySeed[] =
    "d7d466eb5693dacf9d203159119b1b6dc7a13c708ecbb6d41b12f4026b863198";

class SigningKey {
public:
    // A new key for the run.
    SigningKey();
    // The key made from 32 bytes given in hexadecimal (helperKeySeed).
    explicit SigningKey(const QByteArray& hexSeed);
    ~SigningKey();
    QByteArray publicKey() const;                     // 32 raw bytes
    QByteArray sign(const QByteArray& message) const; // 64 raw bytes

private:
    struct Key;
    std::unique_ptr<Key> m_key;
};

struct ArchiveEntry {
    enum class Type { File, Folder, Symlink, Hardlink, Fifo };
    QByteArray path;
    Type type = Type::File;
    QByteArray content;
    int mode = 0644;
    QByteArray target; // of a link

    static ArchiveEntry file(const QByteArray& path, const QByteArray& content, int mode = 0644);
    static ArchiveEntry folder(const QByteArray& path);
    static ArchiveEntry link(Type type, const QByteArray& path, const QByteArray& target);
};

enum class ArchiveFormat { TarGz, Zip };

QByteArray makeArchive(const QList<ArchiveEntry>& entries,
                       ArchiveFormat format = ArchiveFormat::TarGz);

// The entries of a good update: the folder "plumet" with the marker (naming
// `version`), a library and a program that appends `tag` to
// $PLUMET_TEST_LAUNCH_LOG.
QList<ArchiveEntry> installEntries(const QByteArray& tag, const QByteArray& version = "3.1");

// Writes the same installation into `folder` (created).
bool makeInstallFolder(const QString& folder, const QByteArray& tag,
                       const QByteArray& version = "3.0");

// What the installation's program says it is ("old", "new"), read from its file.
QByteArray installTag(const QString& folder);

QByteArray sha256Hex(const QByteArray& bytes);

// Serves `body`, answering "Range: bytes=N-" with 206 and the rest from N.
TestHttpServer::Response serveWithRanges(const TestHttpServer::Request& request,
                                         const QByteArray& body);

// Fails the renames with the given numbers (1: old -> backup, 2: new ->
// install, 3: the first rename of a rollback), as a full or busy disk would.
class FailingSwap : public FolderSwap {
public:
    explicit FailingSwap(QList<int> failing) : m_failing(std::move(failing)) {}

protected:
    bool renameFolder(const QString& from, const QString& to, QString* error) override;

private:
    QList<int> m_failing;
    int m_renames = 0;
};

// Gives the folder and all in it to the user "nobody", as an installation under
// /opt belongs to root. Only root can; false for anyone else.
bool giveToAnotherUser(const QString& folder);
inline constexpr unsigned anotherUser = 65534;

} // namespace plumet::test
