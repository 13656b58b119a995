#include "BlogEntryStore.h"

#include "Account.h"
#include "Blog.h"
#include "Entry.h"
#include "EntryFile.h"
#include "Localization.h"
#include "ModelLog.h"
#include "RegularFile.h"
#include "StringExtensions.h"
#include "SupportFolder.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QFuture>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <atomic>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::atomic<quint64> s_storeSerials{0};
std::atomic<int> s_loadWorkers{-1}; // -1: the default

// Files handed from the workers to the building thread at a time.
constexpr qsizetype RunLength = 64;

quint64 hashOf(const QByteArray& bytes)
{
    return rv::contentHash64(bytes);
}

// The entry files of the folder by name, as QDir lists files ("*.plumet" in
// any letter case, hidden ones too, links to files), from one pass over the
// folder: a file is looked at on its own only when the folder does not say
// what it is.
QStringList entryFileNames(const QString& folder)
{
    QStringList names;
    DIR* directory = ::opendir(QFile::encodeName(folder).constData());
    if (!directory)
        return names;
    const QLatin1StringView extension(EntryFile::extension);
    while (const dirent* item = ::readdir(directory)) {
        const QString name = QFile::decodeName(item->d_name);
        if (name.size() <= extension.size() || !name.endsWith(extension, Qt::CaseInsensitive))
            continue;
        bool file = item->d_type == DT_REG;
        if (item->d_type == DT_LNK || item->d_type == DT_UNKNOWN) {
            struct stat status {};
            file = ::fstatat(::dirfd(directory), item->d_name, &status, 0) == 0 &&
                   S_ISREG(status.st_mode);
        }
        if (file)
            names.append(name);
    }
    ::closedir(directory);
    std::sort(names.begin(), names.end());
    return names;
}

// One file as a worker leaves it: plain values only.
struct ParsedFile {
    QString name;
    std::optional<QVariantMap> dictionary;
    quint64 hash = 0;
    // The identifier the file names, when it is a text, and the name of the
    // file of that identifier.
    QString textID;
    QString ownName;
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
    if (parsed.dictionary) {
        EntryFile::prepareFileDictionary(*parsed.dictionary);
        parsed.hash = hashOf(*bytes);
        const QVariant id = parsed.dictionary->value(QStringLiteral("uniqueID"));
        if (id.typeId() == QMetaType::QString) {
            parsed.textID = id.toString();
            parsed.ownName = EntryFile::fileName(parsed.textID);
        }
    }
    return parsed;
}

std::vector<ParsedFile> parseRun(const QString& folder, const QStringList& names, qsizetype from,
                                 qsizetype to)
{
    std::vector<ParsedFile> run;
    run.reserve(size_t(to - from));
    for (qsizetype i = from; i < to; ++i)
        run.push_back(parseFile(folder, names.at(i)));
    return run;
}

QThreadPool& loadPool()
{
    static QThreadPool pool;
    return pool;
}

quint64 nameKeyOf(const QString& name)
{
    return rv::contentHash64(QFile::encodeName(name));
}

} // namespace

// Which files the folder holds, or is about to hold. For a save of many
// entries the folder is listed once, when first asked; for one entry its file
// is looked up.
class BlogEntryStore::Presence {
public:
    Presence(const QString& folder, bool listed)
        : m_fd(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)),
          m_listing(listed)
    {
    }
    ~Presence()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Presence(const Presence&) = delete;
    Presence& operator=(const Presence&) = delete;

    // Whether the file is there, or on its way there.
    bool holds(const QString& name, quint64 nameKey, quint64 ticket) const
    {
        if (ticket && !EntryFileWriter::sharedInstance().isDone(ticket))
            return true;
        // A file removed behind the store's back is written again.
        if (m_listing && list())
            return std::binary_search(m_names.begin(), m_names.end(), nameKey);
        return m_fd >= 0 && ::faccessat(m_fd, QFile::encodeName(name).constData(), F_OK, 0) == 0;
    }

private:
    bool list() const
    {
        if (m_listed || m_fd < 0)
            return m_listed;
        // Read through a copy of the descriptor: closedir closes the one it reads.
        const int copy = ::dup(m_fd);
        DIR* directory = copy >= 0 ? ::fdopendir(copy) : nullptr;
        if (!directory) {
            if (copy >= 0)
                ::close(copy);
            m_listing = false; // looked up one by one instead
            return false;
        }
        while (const dirent* item = ::readdir(directory))
            m_names.push_back(rv::contentHash64(QByteArrayView(item->d_name)));
        ::closedir(directory);
        std::sort(m_names.begin(), m_names.end());
        m_listed = true;
        return true;
    }

    int m_fd;
    mutable bool m_listing;
    mutable bool m_listed = false;
    mutable std::vector<quint64> m_names; // hashes of the names, sorted
};

BlogEntryStore::BlogEntryStore(Blog& blog)
    : m_blog(blog), m_serial(++s_storeSerials),
      m_failures(std::make_shared<EntryFileWriter::Failures>())
{
}

BlogEntryStore::~BlogEntryStore() = default;

int BlogEntryStore::loadWorkers()
{
    const int workers = s_loadWorkers;
    return workers >= 0 ? workers : std::clamp(QThread::idealThreadCount(), 1, 4);
}

void BlogEntryStore::setLoadWorkers(int workers)
{
    s_loadWorkers = workers;
}

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

void BlogEntryStore::settleReplacement(Entry& entry, const Presence& presence)
{
    takeFailures(); // a failed write leaves the mark to be written again, replacing still
    Entry::FileMark mark = entry.fileMark();
    if (mark.replaces.isEmpty() || !mark.ticket ||
        presence.holds(mark.replaces, nameKeyOf(mark.replaces), 0))
        return; // not written yet, or the old file is still there: tried again below
    mark.replaces.clear();
    entry.setFileMark(std::move(mark));
}

bool BlogEntryStore::write(Entry& entry, const QString& folder, const Presence& presence, Wait wait,
                           QString* error)
{
    const Entry::FileMark& mark = entry.fileMark();
    const QString& id = entry.uniqueID();
    if (mark.store == m_serial && mark.uniqueID == id && !mark.replaces.isEmpty() && mark.ticket &&
        EntryFileWriter::sharedInstance().isDone(mark.ticket))
        settleReplacement(entry, presence);
    const bool known = mark.store == m_serial && mark.uniqueID == id;
    const Entry::Revision revision = entry.revision();
    if (known && mark.replaces.isEmpty() && mark.revision == revision &&
        presence.holds(mark.fileName, mark.nameKey, mark.ticket))
        return true; // nothing changed, and the file holds it

    const QString name = known ? mark.fileName : EntryFile::fileName(id);
    const quint64 nameKey = known ? mark.nameKey : nameKeyOf(name);
    const QString replaced = known ? mark.replaces : QString();
    const QByteArray bytes = EntryFile::fileBytes(entry, error);
    if (bytes.isEmpty())
        return false;
    const quint64 hash = hashOf(bytes);
    // Without waiting, the file replaced goes with the writer's job: the mark
    // keeps it until it is seen gone.
    const bool writerReplaces = wait == Wait::Never && !replaced.isEmpty();
    Entry::FileMark written{m_serial, id, name, nameKey, revision, hash, 0, replaced};
    const auto state = m_files.constFind(name);
    if (!writerReplaces && state != m_files.cend() && state->hash == hash &&
        presence.holds(name, nameKey, state->ticket)) {
        written.ticket = state->ticket; // the file already holds these bytes
    } else {
        written.ticket = EntryFileWriter::sharedInstance().write(
            folder, name, bytes, m_failures, writerReplaces ? replaced : QString());
        m_lastTicket = written.ticket;
        m_files.insert(name, {hash, written.ticket});
        if (writerReplaces)
            m_files.remove(replaced);
        ++m_lastWriteCount;
    }
    if (wait == Wait::ForFile || (wait == Wait::ForReplaced && !replaced.isEmpty())) {
        // The file this one replaces goes only once this one is written.
        if (const std::optional<QString> failure = waitFor(written.ticket)) {
            m_files.remove(name);
            // Written again by the next save; what it replaces stays till then.
            entry.setFileMark({m_serial, id, name, nameKey, {}, 0, 0, replaced});
            if (error)
                *error = *failure;
            return false;
        }
        if (!replaced.isEmpty()) {
            if (!removeNow(folder, replaced, error)) {
                entry.setFileMark(written); // the removal is tried again by the next save
                return false;
            }
            written.replaces.clear();
        }
    }
    entry.setFileMark(written);
    return true;
}

std::optional<QString> BlogEntryStore::waitFor(quint64 ticket)
{
    if (ticket)
        EntryFileWriter::sharedInstance().waitFor(ticket);
    return takeFailures(ticket);
}

std::optional<QString> BlogEntryStore::takeFailures(quint64 ticket)
{
    std::vector<EntryFileWriter::Failure> failures = m_failures->take();
    if (failures.empty())
        return std::nullopt;
    std::optional<QString> failure;
    QHash<QString, quint64> failed; // file name -> ticket
    for (EntryFileWriter::Failure& one : failures) {
        const auto state = m_files.constFind(one.fileName);
        if (state != m_files.cend() && state->ticket == one.ticket)
            m_files.erase(state);
        failed.insert(one.fileName, one.ticket);
        if (ticket && one.ticket == ticket)
            failure = std::move(one.error);
        else
            m_unreported.append(std::move(one.error));
    }
    const QList<EntryPtr> entries = m_blog.entries();
    for (const EntryPtr& entry : entries) {
        const Entry::FileMark& mark = entry->fileMark();
        if (mark.store == m_serial && mark.ticket && failed.value(mark.fileName) == mark.ticket) {
            // Written again by the next save, which still replaces the file
            // the failed write was to replace.
            entry->setFileMark(mark.replaces.isEmpty() ? Entry::FileMark{}
                                                       : Entry::FileMark{m_serial,
                                                                         mark.uniqueID,
                                                                         mark.fileName,
                                                                         mark.nameKey,
                                                                         {},
                                                                         0,
                                                                         0,
                                                                         mark.replaces});
        }
    }
    return failure;
}

bool BlogEntryStore::removeNow(const QString& folder, const QString& name, QString* error)
{
    m_files.remove(name);
    const quint64 ticket = EntryFileWriter::sharedInstance().remove(folder, name, m_failures);
    m_lastTicket = ticket;
    if (const std::optional<QString> failure = waitFor(ticket)) {
        if (error)
            *error = *failure;
        return false;
    }
    return true;
}

bool BlogEntryStore::save(QString* error)
{
    m_lastWriteCount = 0;
    const QString path = folder(error);
    if (path.isEmpty())
        return false;
    takeFailures();
    bool allWritten = m_unreported.isEmpty();
    if (!allWritten && error)
        *error = m_unreported.first();
    m_unreported.clear();
    for (const QString& copy : std::exchange(m_redundant, {})) {
        m_files.remove(copy);
        m_lastTicket = EntryFileWriter::sharedInstance().remove(path, copy, m_failures);
    }

    const Presence presence(path, true);
    const QList<EntryPtr> entries = m_blog.entries();
    for (const EntryPtr& entry : entries) {
        const Entry::FileMark& mark = entry->fileMark();
        const bool replaces = mark.store == m_serial && !mark.replaces.isEmpty();
        if (!entry->needsSave() && !replaces)
            continue;
        QString reason;
        if (!write(*entry, path, presence, Wait::ForReplaced, &reason)) {
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
    return writeOne(entry, Wait::ForFile, error);
}

bool BlogEntryStore::queueSave(Entry& entry, QString* error)
{
    return writeOne(entry, Wait::Never, error);
}

bool BlogEntryStore::writeOne(Entry& entry, Wait wait, QString* error)
{
    m_lastWriteCount = 0;
    const QString path = folder(error);
    if (path.isEmpty())
        return false;
    const Presence presence(path, false);
    return write(entry, path, presence, wait, error);
}

bool BlogEntryStore::flush(QString* error)
{
    EntryFileWriter::sharedInstance().waitFor(m_lastTicket);
    takeFailures();
    if (m_unreported.isEmpty())
        return true;
    if (error)
        *error = m_unreported.first();
    return false;
}

void BlogEntryStore::load()
{
    m_skipped.clear();
    const QString path = folder();
    if (path.isEmpty())
        return;
    // What any store handed over is on disk before anything is read: blogs
    // of one identifier share the folder.
    EntryFileWriter::sharedInstance().waitUntilDone();
    takeFailures();
    const QStringList names = entryFileNames(path);

    // Workers parse runs of files while this thread builds the records of
    // the runs already parsed, in order.
    const int workers = loadWorkers();
    if (workers > 0 && loadPool().maxThreadCount() != workers)
        loadPool().setMaxThreadCount(workers);
    std::vector<QFuture<std::vector<ParsedFile>>> runs;
    if (workers > 0) {
        for (qsizetype from = 0; from < names.size(); from += RunLength) {
            const qsizetype to = std::min(names.size(), from + RunLength);
            runs.push_back(QtConcurrent::run(
                &loadPool(), [path, names, from, to] { return parseRun(path, names, from, to); }));
        }
    }

    struct Loaded {
        EntryPtr entry;
        QString name; // of the file it was read from
        QString own;  // of its own file
        quint64 hash;
        QString replaced; // the file its own one is to replace
    };
    std::vector<Loaded> loaded;
    loaded.reserve(size_t(names.size()));
    const auto build = [&](ParsedFile& file) {
        if (!file.dictionary) {
            // Left on disk as it is: a later program version or the user may still read it.
            qCWarning(lcStore).noquote()
                << QStringLiteral("Failed to load file at \"%1/%2\"").arg(path, file.name);
            qCWarning(lcStore).noquote() << file.error;
            m_skipped.append(file.name);
            return;
        }
        EntryPtr entry = EntryFile::entryFromFileDictionary(*file.dictionary, true);
        QString own = !file.ownName.isNull() && entry->uniqueID() == file.textID
                          ? std::move(file.ownName)
                          : EntryFile::fileName(*entry);
        loaded.push_back({std::move(entry), std::move(file.name), std::move(own), file.hash, {}});
    };
    if (workers > 0) {
        for (auto& run : runs) {
            std::vector<ParsedFile> files = run.takeResult();
            for (ParsedFile& file : files)
                build(file);
        }
    } else {
        for (const QString& name : names) {
            ParsedFile file = parseFile(path, name);
            build(file);
        }
    }
    if (loaded.empty())
        return;

    m_files.clear();
    m_redundant.clear();
    QHash<QString, quint64> ownFiles; // the files named for their entry, and their hashes
    ownFiles.reserve(qsizetype(loaded.size()));
    for (const Loaded& item : loaded) {
        m_files.insert(item.name, {item.hash, 0});
        if (item.own == item.name)
            ownFiles.insert(item.name, item.hash);
    }
    QList<EntryPtr> entries;
    entries.reserve(qsizetype(loaded.size()));
    for (Loaded& item : loaded) {
        if (item.own != item.name) {
            // A copy of an entry's file under another name, holding the same
            // bytes, is the same entry: listed once, and the copy goes at the
            // next save.
            const auto original = ownFiles.constFind(item.own);
            if (original != ownFiles.cend() && original.value() == item.hash) {
                m_redundant.append(item.name);
                item.entry.reset();
                continue;
            }
            // Without a file of its own (as when the file holds no usable
            // identifier), the entry gets one at the next save, which
            // replaces this file. A file of its own with other bytes stays as
            // it is, and so does this one: neither version is dropped.
            if (original == ownFiles.cend() &&
                !QFileInfo(path + QLatin1Char('/') + item.own).isFile())
                item.replaced = item.name;
        }
        entries.append(item.entry);
    }
    m_blog.setEntries(entries);

    // Marked once in the list, whose parent link counts as a change, so the
    // next save skips what it read. An entry mended on reading (its
    // needsSave set) is compared with its file at the next save.
    for (const Loaded& item : loaded) {
        if (!item.entry)
            continue;
        Entry& entry = *item.entry;
        entry.setFileMark({m_serial, entry.uniqueID(), item.own, nameKeyOf(item.own),
                           entry.needsSave() ? Entry::Revision{} : entry.revision(),
                           item.replaced.isEmpty() ? item.hash : 0, 0, item.replaced});
    }
}

void BlogEntryStore::renameFile(Entry& entry, const QString& oldID)
{
    const Entry::FileMark& mark = entry.fileMark();
    const bool known = mark.store == m_serial && mark.uniqueID == oldID;
    // An entry read from a misnamed file never had its own written: that file is the old one.
    QString old = known ? (mark.replaces.isEmpty() ? mark.fileName : mark.replaces)
                        : EntryFile::fileName(oldID);
    const QString name = EntryFile::fileName(entry.uniqueID());
    if (old == name)
        old.clear();
    entry.setFileMark({m_serial, entry.uniqueID(), name, nameKeyOf(name), {}, 0, 0, old});
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
    return removeNow(path, EntryFile::fileName(uniqueID), nullptr);
}
