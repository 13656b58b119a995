#pragma once

#include "Archivable.h"
#include "PlistUid.h"

#include <Color.h>
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <optional>
#include <vector>

// Reads keyed archives in the NSKeyedArchiver layout into QVariant trees:
// strings (inline or NSMutableString's "NS.string"), numbers, data, dates
// ("NS.time"), arrays, sets, dictionaries, colours (RGB, white and catalog
// forms) and records of registered classes (ArchivableRef). An object of a
// class nobody registered decodes as an invalid QVariant, with a warning.
// Every reference is range-checked; cycles, absurd nesting and shared
// references that expand into millions of values are errors.
class KeyedUnarchiver {
public:
    static constexpr int MaxDepth = 256;
    // Values and collections referenced from several places are copied into
    // each: a few objects can stand for billions of values.
    static constexpr qint64 MaxExpandedNodes = 1'000'000;

    // The root object; an invalid QVariant with *error set on failure. A
    // root that is itself an unknown class (or $null) is not a failure:
    // check *error, not the result, to tell the two apart. *droppedRecords
    // counts the records left out at any depth (of an unknown class, or not of
    // the kind their key or list holds): a file that lost one must not be
    // written back as if it had not.
    static QVariant unarchive(const QByteArray& bytes, QString* error = nullptr,
                              QStringList* warnings = nullptr, int* droppedRecords = nullptr);
    static QVariant unarchiveTree(const QVariant& archive, QString* error = nullptr,
                                  QStringList* warnings = nullptr, int* droppedRecords = nullptr);
    static QVariant unarchiveFile(const QString& path, QString* error = nullptr,
                                  QStringList* warnings = nullptr, int* droppedRecords = nullptr);

    // A record read but not built: its class and its keys as plain values, in
    // which records stand as PlainRecordRef again. A worker thread reads an
    // archive this way (unarchivePlain) and the thread that owns the records
    // builds them (buildRecord), one at a time. Classes are checked against the
    // registry when read, so a record of an unknown class is left out then.
    struct PlainRecord {
        QString className;
        QVariantMap fields;
    };
    using PlainRecordRef = std::shared_ptr<const PlainRecord>;
    static QVariant unarchivePlain(const QVariant& archive, QString* error = nullptr,
                                   QStringList* warnings = nullptr, int* droppedRecords = nullptr);
    // The length of the archive's root list; -1 when the root is no list or
    // cannot be found (unarchivePlain then says why).
    static qsizetype rootListSize(const QVariant& archive);
    // Elements [first, first + count) of the root list, read as unarchivePlain
    // reads them (an element left out stays as an invalid QVariant). Several
    // threads may each read a part of one archive at once.
    static QVariantList unarchivePlainElements(const QVariant& archive, qsizetype first,
                                               qsizetype count, QString* error = nullptr,
                                               QStringList* warnings = nullptr,
                                               int* droppedRecords = nullptr);
    // The record, built through its class's initWithCoder; null when its class
    // is unknown or its keys are damaged (*error says why).
    static ArchivableRef buildRecord(const PlainRecordRef& plain, QString* error = nullptr,
                                     QStringList* warnings = nullptr);

    // The records of the root array that are of class T; other elements are
    // skipped with a warning (and counted in *dropped). Fails when the root is
    // not an array.
    template <class T>
    static std::optional<QList<std::shared_ptr<T>>>
    recordsIn(const QVariant& root, QString* error = nullptr, QStringList* warnings = nullptr,
              int* dropped = nullptr)
    {
        if (root.metaType().id() != QMetaType::QVariantList) {
            if (error)
                *error = QStringLiteral("The archive does not hold a list.");
            return std::nullopt;
        }
        return castList<T>(root.toList(), warnings, dropped);
    }

    // For initWithCoder(): the keys of the record being read.
    bool containsKey(const QString& key) const;
    QStringList keys() const;

    // The decoded value of a key; invalid when the key is missing, $null or
    // of an unknown class. Plain values stored without a reference come
    // back as they are.
    QVariant decodeObject(const QString& key);

    // Typed reads: a missing key gives the fallback silently, a value of
    // another type gives the fallback with a warning.
    QString decodeString(const QString& key, const QString& fallback = {});
    qint64 decodeInt(const QString& key, qint64 fallback = 0);
    double decodeDouble(const QString& key, double fallback = 0.0);
    bool decodeBool(const QString& key, bool fallback = false);
    QDateTime decodeDate(const QString& key);
    QByteArray decodeData(const QString& key);
    std::optional<rv::Color> decodeColor(const QString& key);
    QVariantList decodeList(const QString& key);
    QVariantMap decodeMap(const QString& key);

    template <class T> std::shared_ptr<T> decodeRecord(const QString& key)
    {
        const QVariant value = decodeObject(key);
        if (!value.isValid())
            return nullptr;
        auto record = std::dynamic_pointer_cast<T>(value.value<ArchivableRef>());
        if (!record)
            dropRecord(QStringLiteral("the key \"%1\" does not hold the expected record").arg(key));
        return record;
    }

    template <class T> QList<std::shared_ptr<T>> decodeRecords(const QString& key)
    {
        const QVariant value = decodeObject(key);
        if (!value.isValid())
            return {};
        // Whatever the key held is lost with it, so the file must not be written
        // over as if it had held nothing.
        if (value.metaType().id() != QMetaType::QVariantList) {
            dropRecord(QStringLiteral("the key \"%1\" does not hold a list").arg(key));
            return {};
        }
        return castList<T>(value.toList(), &warnings_, &dropped_);
    }

    void warn(const QString& text);
    // A warning about a record that is left out.
    void dropRecord(const QString& text);
    void fail(const QString& reason);
    bool failed() const { return !error_.isEmpty(); }

private:
    KeyedUnarchiver() = default;

    static QVariant unarchiveTreeAs(bool plain, const QVariant& archive, QString* error,
                                    QStringList* warnings, int* droppedRecords);
    ArchivableRef build(const PlainRecord& plain);
    // The member references of the root list; null when the root is no list.
    static const QVariantList* rootMembers(const QVariantMap& archive, const QVariantList& objects);
    QVariant materialize(const QVariant& value);

    template <class T>
    static QList<std::shared_ptr<T>> castList(const QVariantList& list, QStringList* warnings,
                                              int* dropped)
    {
        QList<std::shared_ptr<T>> records;
        for (const QVariant& item : list) {
            auto record = std::dynamic_pointer_cast<T>(item.value<ArchivableRef>());
            if (record) {
                records.append(std::move(record));
                continue;
            }
            if (warnings)
                warnings->append(
                    QStringLiteral("A list element of an unexpected kind was skipped."));
            if (dropped)
                ++*dropped;
        }
        return records;
    }

    enum class State : unsigned char { Pending, InProgress, Done };

    bool load(const QVariant& archive);
    // Hands out the reading's warnings and dropped records and logs the
    // warnings; false, with the damage in *error, when the reading failed.
    bool report(QString* error, QStringList* warnings, int* droppedRecords) const;
    QVariant decodeReference(const QVariant& reference, int depth);
    QVariant decodeAt(quint64 uid, int depth);
    QVariant decodeClassed(const QVariantMap& object, int depth);
    QVariant decodeCollection(const QString& className, const QVariantMap& object, int depth);
    QVariant decodeDictionary(const QVariantMap& object, int depth);
    QVariant decodeColorObject(const QVariantMap& object, int depth);
    QVariant decodeRecordObject(const QString& className, const QVariantMap& object, int depth);
    QVariant typed(const QString& key, QMetaType::Type type, const char* what);
    void countNodes(qint64 count);

    QVariantList objects_;
    std::vector<State> states_;
    std::vector<QVariant> decoded_;
    std::vector<qint64> expanded_; // values a decoded object stands for
    qint64 nodes_ = 0;             // values decoded so far, copies included
    const QVariantMap* current_ = nullptr;
    int currentDepth_ = 0;
    QString error_;
    QStringList warnings_;
    int dropped_ = 0;
    bool plain_ = false; // records are read into PlainRecords
    bool built_ = false; // current_ holds plain values, not references
};

Q_DECLARE_METATYPE(KeyedUnarchiver::PlainRecordRef)
