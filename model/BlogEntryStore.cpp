#include "BlogEntryStore.h"

#include "Account.h"
#include "AtomicFile.h"
#include "Blog.h"
#include "Entry.h"
#include "EntryFile.h"
#include "Localization.h"
#include "ModelLog.h"
#include "RegularFile.h"
#include "StringExtensions.h"
#include "SupportFolder.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFuture>
#include <QtConcurrent/QtConcurrentMap>

namespace {

QByteArray digestOf(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
}

// One file as a worker thread leaves it: plain values only.
struct ParsedFile {
    QString name;
    std::optional<QVariantMap> dictionary;
    QByteArray digest;
    QString error;
};

ParsedFile parseFile(const QString& folder, const QString& name)
{
    ParsedFile parsed;
    parsed.name = name;
    // Kind and size are checked before a byte is read: a link to a device or a
    // huge file must not cost memory, least of all on several threads at once.
    const std::optional<QByteArray> bytes =
        RegularFile::read(folder + QLatin1Char('/') + name, EntryFile::MaxSize, &parsed.error);
    if (!bytes)
        return parsed;
    parsed.dictionary = EntryFile::readDictionary(*bytes, &parsed.error);
    if (parsed.dictionary)
        parsed.digest = digestOf(*bytes);
    return parsed;
}

} // namespace

BlogEntryStore::BlogEntryStore(Blog& blog) : m_blog(blog) {}

QString BlogEntryStore::folder(QString* error) const
{
    Account* account = m_blog.account();
    const QString accountFolder = account ? account->accountDirectory() : QString();
    if (accountFolder.isEmpty()) {
        if (error)
            *error = localized("Blog", "The blog has no folder for its entries.");
        return {};
    }
    const QString path = accountFolder + QLatin1Char('/') + rv::MD5(m_blog.uniqueID());
    if (!cutils::verifyDirectory(path)) {
        if (error)
            *error = localized("Blog", "The folder \"%1\" could not be made.").arg(path);
        return {};
    }
    return path;
}

bool BlogEntryStore::write(Entry& entry, const QString& folder, QString* error)
{
    const QString name = EntryFile::fileName(entry);
    const QByteArray bytes = EntryFile::fileBytes(entry, error);
    if (bytes.isEmpty())
        return false;
    const QByteArray digest = digestOf(bytes);
    const QString path = folder + QLatin1Char('/') + name;
    if (m_digests.value(name) == digest && QFile::exists(path))
        return true; // the file already holds these bytes
    if (!AtomicFile::write(path, bytes, error))
        return false;
    m_digests.insert(name, digest);
    ++m_lastWriteCount;
    return true;
}

bool BlogEntryStore::save(QString* error)
{
    m_lastWriteCount = 0;
    const QString path = folder(error);
    if (path.isEmpty())
        return false;
    bool allWritten = true;
    for (const auto& entry : m_blog.entries()) {
        if (!entry->needsSave())
            continue;
        QString reason;
        if (!write(*entry, path, &reason)) {
            qCWarning(lcStore).noquote() << reason;
            if (allWritten && error)
                *error = reason;
            allWritten = false;
        }
    }
    return allWritten;
}

bool BlogEntryStore::save(Entry& entry, QString* error)
{
    m_lastWriteCount = 0;
    const QString path = folder(error);
    return !path.isEmpty() && write(entry, path, error);
}

void BlogEntryStore::load()
{
    m_skipped.clear();
    const QString path = folder();
    if (path.isEmpty())
        return;
    const QStringList names =
        QDir(path).entryList({QStringLiteral("*") + QLatin1String(EntryFile::extension)},
                             QDir::Files | QDir::Hidden, QDir::Name);
    // Workers parse while this thread builds the records of the files already
    // parsed; results come back in listing order.
    QFuture<ParsedFile> parsing =
        QtConcurrent::mapped(names, [path](const QString& name) { return parseFile(path, name); });

    QList<EntryPtr> loaded;
    loaded.reserve(names.size());
    for (int index = 0; index < names.size(); ++index) {
        const ParsedFile file = parsing.resultAt(index);
        if (!file.dictionary) {
            // Left on disk as it is: a later program version or the user may still read it.
            qCWarning(lcStore).noquote()
                << QStringLiteral("Failed to load file at \"%1/%2\"").arg(path, file.name);
            qCWarning(lcStore).noquote() << file.error;
            m_skipped.append(file.name);
            continue;
        }
        EntryPtr entry = EntryFile::entryFromFileDictionary(*file.dictionary);
        entry->setParentBlog(&m_blog);
        // A file named for another identifier would be rewritten under the right
        // name; only a matching name may skip its next write.
        if (EntryFile::fileName(*entry) == file.name)
            m_digests.insert(file.name, file.digest);
        loaded.append(std::move(entry));
    }
    if (!loaded.isEmpty())
        m_blog.setEntries(loaded);
}

bool BlogEntryStore::removeFile(const Entry& entry)
{
    return removeFileForID(entry.uniqueID());
}

bool BlogEntryStore::removeFileForID(const QString& uniqueID)
{
    const QString path = folder();
    if (path.isEmpty())
        return false;
    const QString name = EntryFile::fileName(uniqueID);
    m_digests.remove(name);
    const QString file = path + QLatin1Char('/') + name;
    return !QFile::exists(file) || QFile::remove(file);
}
