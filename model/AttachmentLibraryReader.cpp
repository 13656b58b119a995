#include "AttachmentLibraryReader.h"

#include "ModelLog.h"
#include "PropertyList.h"
#include "StoredArchive.h"

#include <QFileInfo>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>
#include <algorithm>
#include <vector>

namespace {

QString text(const KeyedUnarchiver::PlainRecord& record, const char* key)
{
    const QVariant value = record.fields.value(QLatin1String(key));
    return value.metaType().id() == QMetaType::QString ? value.toString() : QString();
}

std::optional<double> number(const KeyedUnarchiver::PlainRecord& record, const char* key)
{
    const QVariant value = record.fields.value(QLatin1String(key));
    switch (value.metaType().id()) {
    case QMetaType::Double:
    case QMetaType::LongLong:
    case QMetaType::Bool:
        return value.toDouble();
    default:
        return std::nullopt;
    }
}

} // namespace

double AttachmentLibraryReader::expiryAge(qint64 days)
{
    return double(std::max<qint64>(1, days)) * 86400.0;
}

bool AttachmentLibraryReader::isAttachmentClass(const QString& className)
{
    return className == QLatin1String("Attachment") ||
           className == QLatin1String("ImageAttachment") ||
           className == QLatin1String("MovieAttachment");
}

namespace {

// One part of the root list, read and filtered on a thread of its own.
struct Part {
    qsizetype first = 0, count = 0;
    QList<KeyedUnarchiver::PlainRecordRef> kept;
    QStringList expiredCopies;
    QString error;
    int strangers = 0, dropped = 0, expired = 0, orphaned = 0;
};

void readPart(const QVariant& archive, const AttachmentLibraryReader::Options& options, Part& part)
{
    const QVariantList elements = KeyedUnarchiver::unarchivePlainElements(
        archive, part.first, part.count, &part.error, nullptr, &part.dropped);
    if (!part.error.isEmpty())
        return;
    const double maxAge = AttachmentLibraryReader::expiryAge(options.days);
    for (const QVariant& item : elements) {
        auto record = item.value<KeyedUnarchiver::PlainRecordRef>();
        if (item.metaType() != QMetaType::fromType<KeyedUnarchiver::PlainRecordRef>() || !record ||
            !AttachmentLibraryReader::isAttachmentClass(record->className)) {
            ++part.strangers;
            continue;
        }
        const QString uploadPath = text(*record, "uploadPath");
        const QString filePath = text(*record, "filePath");
        if (uploadPath.isEmpty() && (filePath.isEmpty() || !QFileInfo::exists(filePath))) {
            qCInfo(lcModel).noquote()
                << QStringLiteral("Removing attachment for file %1 because file does not exist")
                       .arg(filePath);
            ++part.orphaned;
            continue;
        }
        // An attachment without a creation time is made now on first read.
        const double created = number(*record, "created").value_or(options.now);
        if (!uploadPath.isEmpty() && options.expire && options.now - created >= maxAge &&
            !options.keysInUse.contains(text(*record, "uniqueID"))) {
            if (record->className == QLatin1String("ImageAttachment") && !filePath.isEmpty())
                part.expiredCopies.append(filePath);
            ++part.expired;
            continue;
        }
        part.kept.append(std::move(record));
    }
}

} // namespace

AttachmentLibraryReader::Result AttachmentLibraryReader::read(const Options& options)
{
    Result result;
    if (!QFileInfo::exists(options.path)) {
        qCInfo(lcModel).noquote()
            << QStringLiteral("No attachments file at path %1").arg(options.path);
        return result;
    }
    result.found = true;
    QString problem;
    QVariant archive = PropertyList::readFile(options.path, &problem);
    const qsizetype size = archive.isValid() ? KeyedUnarchiver::rootListSize(archive) : -1;
    if (size < 0) {
        // Not a list of ours: the whole reading says why, and moves it aside.
        const StoredArchive::Loaded loaded = StoredArchive::loadPlain(options.path);
        result.readable = false;
        result.report = loaded.report;
        if (loaded.root.isValid()) // read after all: a file changed under us
            StoredArchive::moveAside(options.path, QStringLiteral("it holds no list"),
                                     &result.report);
        return result;
    }
    // The parts are read at once on the pool's threads, and kept in order.
    const qsizetype parts =
        std::clamp<qsizetype>(size / 1000, 1, std::max(1, QThread::idealThreadCount()));
    std::vector<Part> work(static_cast<size_t>(parts));
    for (qsizetype i = 0; i < parts; ++i) {
        work[size_t(i)].first = size * i / parts;
        work[size_t(i)].count = size * (i + 1) / parts - work[size_t(i)].first;
    }
    QtConcurrent::blockingMap(work, [&](Part& part) { readPart(archive, options, part); });
    // Freeing the parsed tree takes as long as a good part of reading it: it
    // goes on a thread of its own, so the records are handed over now.
    QThreadPool::globalInstance()->start([tree = std::move(archive)]() mutable { tree = {}; });

    int strangers = 0, dropped = 0;
    QString error;
    for (Part& part : work) {
        if (error.isEmpty() && !part.error.isEmpty())
            error = part.error;
        strangers += part.strangers;
        dropped += part.dropped;
        result.expired += part.expired;
        result.orphaned += part.orphaned;
        result.expiredCopies += part.expiredCopies;
        result.kept += part.kept;
    }
    if (!error.isEmpty()) {
        StoredArchive::moveAside(
            options.path,
            QStringLiteral("The file \"%1\" could not be read. %2").arg(options.path, error),
            &result.report);
        result.readable = false;
        result.kept.clear();
        result.expiredCopies.clear();
        return result;
    }
    if (strangers > 0 || dropped > 0) {
        // The next save would write less than the file holds: the file goes
        // aside and the library stays unloaded, so no entry loses a key.
        StoredArchive::moveAside(options.path,
                                 strangers > 0
                                     ? QStringLiteral("some of its records are not attachments")
                                     : QStringLiteral("some records inside its attachments could "
                                                      "not be read"),
                                 &result.report);
        result.readable = false;
    }
    return result;
}
