#pragma once

#include "Archivable.h"
#include "PlistUid.h"
#include "PropertyList.h"

#include <Color.h>
#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>
#include <QVariant>
#include <ranges>

// Writes keyed archives in the NSKeyedArchiver layout ("$archiver",
// "$version" 100000, "$top" with "root", "$objects" starting with "$null",
// UID references, "$class" dictionaries), so stored files stay exchangeable.
//
// Values: QString (inline string), bool and numbers (inline), QByteArray
// (inline data), QDateTime (NSDate), QVariantList/QStringList (NSMutableArray),
// QVariantMap (NSMutableDictionary), rv::Color (NSColor, calibrated RGB),
// ArchivableRef (the record's own class), and an invalid QVariant ($null).
class KeyedArchiver {
public:
    static constexpr int MaxDepth = 256;

    // The archive of `root` as a property list; empty on failure with the
    // reason in *error (an unsupported value, a reference cycle).
    static QByteArray archivedData(const QVariant& root, QString* error = nullptr,
                                   PropertyList::Format format = PropertyList::Format::Binary);
    static QByteArray archivedData(const Archivable& root, QString* error = nullptr,
                                   PropertyList::Format format = PropertyList::Format::Binary);

    // Archives and writes atomically.
    static bool archiveToFile(const QString& path, const QVariant& root, QString* error = nullptr);

    // The archive as a property-list tree (before serialisation).
    static QVariant archiveTree(const QVariant& root, QString* error = nullptr);

    // For encodeWithCoder(): each call adds one key to the record being written.
    void encodeObject(const QString& key, const QVariant& value);
    void encodeObject(const QString& key, const Archivable* record);
    void encodeColor(const QString& key, const rv::Color& color);
    // Plain values stored in the record's own dictionary, without a reference
    // (the archiver's encodeInt:/encodeBool:/encodeDouble: forms).
    void encodeInt(const QString& key, qint64 value);
    void encodeBool(const QString& key, bool value);
    void encodeDouble(const QString& key, double value);

    // An array of records, from any range of pointers or shared pointers.
    template <std::ranges::input_range Range>
    void encodeRecords(const QString& key, const Range& records)
    {
        QVariantList list;
        for (const auto& record : records)
            list.append(recordReference(&*record));
        encodeObject(key, list);
    }

    // Marks the archive as failed; encodeWithCoder() may call it on bad state.
    void fail(const QString& reason);
    bool failed() const { return !m_error.isEmpty(); }

private:
    KeyedArchiver();

    // A value that carries a borrowed record through encodeRecords().
    static QVariant recordReference(const Archivable* record);

    // False (and the archive failed) outside a record or for a "$" key.
    bool canWriteKey(const QString& key);
    PlistUid reference(const QVariant& value, int depth);
    PlistUid referenceRecord(const Archivable* record, int depth);
    PlistUid appendObject(const QVariant& object);
    PlistUid classReference(const QStringList& chain);
    QVariant finish(const QVariant& root);

    QVariantList m_objects;
    QHash<QString, quint64> m_inlineUids;
    QHash<QString, quint64> m_classUids;
    QHash<const Archivable*, quint64> m_recordUids;
    QSet<const Archivable*> m_recordsInProgress;
    QVariantMap* m_current = nullptr;
    int m_depth = 0;
    QString m_error;
};
