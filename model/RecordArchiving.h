#pragma once

#include "Category.h"
#include "KeyedArchiver.h"
#include "KeyedUnarchiver.h"
#include "Ping.h"
#include "RecordKey.h"
#include "Template.h"

#include <span>

// Keyed-archive coding of a record from its key table: each archived key whose
// field is set is written in table order; reading sets each present key through
// its setter, after checking that the value has the key's kind.
namespace RecordArchiving {

QVariant encodableImage(const QVariant& image);
// The value of `key` in the record being read, in the kind's in-memory form;
// invalid when missing or of the wrong kind (with a warning).
QVariant decodeValue(KeyedUnarchiver& coder, const QString& key, StoredKind kind);

template <class Record>
void encode(const Record& record, std::span<const RecordKey<Record>> table, KeyedArchiver& coder)
{
    for (const auto& key : table) {
        if (!(key.forms & InArchive))
            continue;
        const QVariant value = key.read(record);
        if (!value.isValid())
            continue;
        const QString name = QString::fromLatin1(key.name);
        switch (key.kind) {
        case StoredKind::CategoryList:
            coder.encodeRecords(name, value.value<CategoryList>());
            break;
        case StoredKind::PingList:
            coder.encodeRecords(name, value.value<PingList>());
            break;
        case StoredKind::Template:
            coder.encodeObject(name, value.value<TemplatePtr>().get());
            break;
        case StoredKind::Color:
            coder.encodeColor(name, value.value<rv::Color>());
            break;
        case StoredKind::Image:
            coder.encodeObject(name, encodableImage(value));
            break;
        default:
            coder.encodeObject(name, value);
            break;
        }
    }
}

template <class Record>
void decode(Record& record, std::span<const RecordKey<Record>> table, KeyedUnarchiver& coder)
{
    for (const auto& key : table) {
        if (!(key.forms & InArchive))
            continue;
        const QString name = QString::fromLatin1(key.name);
        if (!coder.containsKey(name))
            continue;
        const QVariant value = decodeValue(coder, name, key.kind);
        if (value.isValid())
            key.write(record, value);
    }
}

} // namespace RecordArchiving
