#include "AttachmentLibraryReader.h"

#include "ModelLog.h"
#include "StoredArchive.h"

#include <QFileInfo>
#include <algorithm>

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

AttachmentLibraryReader::Result AttachmentLibraryReader::read(const Options& options)
{
    Result result;
    if (!QFileInfo::exists(options.path)) {
        qCInfo(lcModel).noquote()
            << QStringLiteral("No attachments file at path %1").arg(options.path);
        return result;
    }
    result.found = true;
    const StoredArchive::Loaded loaded = StoredArchive::loadPlain(options.path);
    if (!loaded.root.isValid()) {
        // Already moved aside, with its sentence.
        result.readable = false;
        result.report = loaded.report;
        return result;
    }
    const QVariantList root = loaded.root.toList();
    int strangers = 0;
    QList<KeyedUnarchiver::PlainRecordRef> records;
    records.reserve(root.size());
    for (const QVariant& item : root) {
        auto record = item.value<KeyedUnarchiver::PlainRecordRef>();
        if (item.metaType() != QMetaType::fromType<KeyedUnarchiver::PlainRecordRef>() || !record ||
            !isAttachmentClass(record->className)) {
            ++strangers;
            continue;
        }
        records.append(std::move(record));
    }
    if (strangers > 0 || loaded.droppedRecords > 0) {
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

    const double maxAge = expiryAge(options.days);
    for (KeyedUnarchiver::PlainRecordRef& record : records) {
        const QString uploadPath = text(*record, "uploadPath");
        const QString filePath = text(*record, "filePath");
        if (uploadPath.isEmpty() && (filePath.isEmpty() || !QFileInfo::exists(filePath))) {
            qCInfo(lcModel).noquote()
                << QStringLiteral("Removing attachment for file %1 because file does not exist")
                       .arg(filePath);
            ++result.orphaned;
            continue;
        }
        // An attachment without a creation time is made now on first read.
        const double created = number(*record, "created").value_or(options.now);
        if (!uploadPath.isEmpty() && options.expire && options.now - created >= maxAge &&
            !options.keysInUse.contains(text(*record, "uniqueID"))) {
            if (record->className == QLatin1String("ImageAttachment") && !filePath.isEmpty())
                result.expiredCopies.append(filePath);
            ++result.expired;
            continue;
        }
        result.kept.append(std::move(record));
    }
    return result;
}
