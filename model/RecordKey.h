#pragma once

#include "StringEncoding.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <optional>
#include <span>

// How a stored value is represented. The keyed archive, the dictionary form, the
// entry file reader and scripting convert values by this kind, so one table per
// record class is the only list of what a record stores.
enum class StoredKind {
    String,       // QString
    Number,       // int, double or bool in a QVariant
    Date,         // QDateTime
    StringList,   // QStringList
    PlainList,    // QVariantList of property-list values
    Dictionary,   // QVariantMap
    Color,        // rv::Color
    Image,        // QImage
    CategoryList, // CategoryList
    PingList,     // PingList
    Template,     // TemplatePtr
};

// The forms a key belongs to.
enum StoredForm : unsigned {
    InArchive = 1u << 0,
    InDictionary = 1u << 1,
    InBoth = InArchive | InDictionary,
};

// Conversions between a record's fields and the values of its key table: an unset
// field reads as an invalid QVariant, and a null or invalid value clears a field.
namespace StoredValue {

inline bool isNil(const QVariant& value)
{
    return !value.isValid() || value.isNull();
}

// Numbers of every width, and booleans, which property lists store as numbers.
inline bool isNumber(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

// A text as read from a file or a server, without the C0 controls (tab, line feed
// and carriage return aside) that no text means and that a NUL turns into a text no
// file or HTML checker takes whole. Untouched, and uncopied, when it has none.
inline QString readableText(const QString& text)
{
    return rv::containsControlChars(text) ? rv::removeControlChars(text) : text;
}

inline QVariant fromText(const QString& field)
{
    return field.isNull() ? QVariant() : QVariant(field);
}

template <class T> QVariant fromOptional(const std::optional<T>& field)
{
    return field ? QVariant::fromValue(*field) : QVariant();
}

template <class T> std::optional<T> toOptional(const QVariant& value)
{
    return isNil(value) ? std::nullopt : std::optional<T>(value.value<T>());
}

} // namespace StoredValue

// One stored key of a record class. `read` gives the field as stored (an invalid
// QVariant when it is unset), never a lazily made default, unless the format says
// the key is always written; `write` goes through the record's setter, so a stored
// value is checked and announced like any other change.
template <class Record> struct RecordKey {
    const char* name;
    StoredKind kind;
    unsigned forms;
    QVariant (*read)(const Record&);
    void (*write)(Record&, const QVariant&);
};

template <class Record>
const RecordKey<Record>* findRecordKey(std::span<const RecordKey<Record>> table, QStringView name)
{
    for (const auto& key : table) {
        if (name == QLatin1String(key.name))
            return &key;
    }
    return nullptr;
}

// Sets a stored key by name through its setter. Names that are not in the table
// (a job's state, the parent, anything a file might invent) are refused.
template <class Record>
bool setStoredValue(std::span<const RecordKey<Record>> table, Record& record, QStringView name,
                    const QVariant& value)
{
    const auto* key = findRecordKey(table, name);
    if (!key)
        return false;
    key->write(record, value);
    return true;
}
