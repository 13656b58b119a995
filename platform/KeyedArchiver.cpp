#include "KeyedArchiver.h"

#include "AtomicFile.h"
#include "ColorArchiveForm.h"
#include "PlistUid.h"
#include "ReferenceDate.h"

#include <cmath>

namespace {

const QString NullMarker = QStringLiteral("$null");

// The "$classes" chains of the value classes, built once rather than per value.
const QStringList DateClasses = {QStringLiteral("NSDate"), QStringLiteral("NSObject")};
const QStringList ArrayClasses = {QStringLiteral("NSMutableArray"), QStringLiteral("NSArray"),
                                  QStringLiteral("NSObject")};
const QStringList DictionaryClasses = {QStringLiteral("NSMutableDictionary"),
                                       QStringLiteral("NSDictionary"), QStringLiteral("NSObject")};
const QStringList ColorClasses = {QStringLiteral("NSColor"), QStringLiteral("NSObject")};

} // namespace

KeyedArchiver::KeyedArchiver()
{
    m_objects.append(NullMarker);
}

QVariant KeyedArchiver::archiveTree(const QVariant& root, QString* error)
{
    KeyedArchiver archiver;
    QVariant tree = archiver.finish(root);
    if (archiver.failed()) {
        if (error)
            *error = QStringLiteral("The archive could not be made: %1.").arg(archiver.m_error);
        return {};
    }
    return tree;
}

QByteArray KeyedArchiver::archivedData(const QVariant& root, QString* error,
                                       PropertyList::Format format)
{
    const QVariant tree = archiveTree(root, error);
    if (!tree.isValid())
        return {};
    return PropertyList::write(tree, format, error);
}

QByteArray KeyedArchiver::archivedData(const Archivable& root, QString* error,
                                       PropertyList::Format format)
{
    return archivedData(recordReference(&root), error, format);
}

bool KeyedArchiver::archiveToFile(const QString& path, const QVariant& root, QString* error)
{
    const QByteArray bytes = archivedData(root, error);
    if (bytes.isEmpty())
        return false;
    return AtomicFile::write(path, bytes, error);
}

QVariant KeyedArchiver::finish(const QVariant& root)
{
    const PlistUid top = reference(root, 0);
    QVariantMap archive;
    archive.insert(QStringLiteral("$archiver"), QStringLiteral("NSKeyedArchiver"));
    archive.insert(QStringLiteral("$version"), qint64(100000));
    archive.insert(QStringLiteral("$top"),
                   QVariantMap{{QStringLiteral("root"), QVariant::fromValue(top)}});
    archive.insert(QStringLiteral("$objects"), m_objects);
    return archive;
}

QVariant KeyedArchiver::recordReference(const Archivable* record)
{
    if (!record)
        return {};
    // Borrowed for the length of the archiving: the deleter does nothing.
    return QVariant::fromValue(ArchivableRef(const_cast<Archivable*>(record), [](Archivable*) {}));
}

void KeyedArchiver::fail(const QString& reason)
{
    if (m_error.isEmpty())
        m_error = reason;
}

PlistUid KeyedArchiver::appendObject(const QVariant& object)
{
    m_objects.append(object);
    return PlistUid{quint64(m_objects.size() - 1)};
}

PlistUid KeyedArchiver::classReference(const QStringList& classes)
{
    const QString key = classes.join(QLatin1Char('\n'));
    if (const auto it = m_classUids.constFind(key); it != m_classUids.cend())
        return PlistUid{*it};
    const PlistUid uid = appendObject(QVariantMap{
        {QStringLiteral("$classname"), classes.value(0)},
        {QStringLiteral("$classes"), classes},
    });
    m_classUids.insert(key, uid.value);
    return uid;
}

PlistUid KeyedArchiver::reference(const QVariant& value, int depth)
{
    if (failed() || !value.isValid() || value.metaType().id() == QMetaType::Nullptr)
        return PlistUid{0};
    if (depth > MaxDepth) {
        fail(QStringLiteral("the values are nested too deeply"));
        return PlistUid{0};
    }
    const int type = value.metaType().id();

    // Strings and numbers are stored once and shared by every reference.
    QString inlineKey;
    switch (type) {
    case QMetaType::QString:
        inlineKey = QStringLiteral("s") + value.toString();
        break;
    case QMetaType::Bool:
        inlineKey = value.toBool() ? QStringLiteral("b1") : QStringLiteral("b0");
        break;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        inlineKey = QStringLiteral("i") + value.toString();
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        if (!std::isfinite(value.toDouble())) {
            fail(QStringLiteral("a number is not finite"));
            return PlistUid{0};
        }
        inlineKey = QStringLiteral("r") + QString::number(value.toDouble(), 'g', 17);
        break;
    default:
        break;
    }
    if (!inlineKey.isEmpty()) {
        if (const auto it = m_inlineUids.constFind(inlineKey); it != m_inlineUids.cend())
            return PlistUid{*it};
        QVariant stored = value;
        if (type == QMetaType::Float)
            stored = value.toDouble();
        const PlistUid uid = appendObject(stored);
        m_inlineUids.insert(inlineKey, uid.value);
        return uid;
    }

    switch (type) {
    case QMetaType::QByteArray:
        return appendObject(value);
    case QMetaType::QDateTime: {
        const QDateTime date = value.toDateTime();
        if (!date.isValid()) {
            fail(QStringLiteral("a date is invalid"));
            return PlistUid{0};
        }
        return appendObject(QVariantMap{
            {QStringLiteral("NS.time"), secondsSinceReferenceDate(date)},
            {QStringLiteral("$class"), QVariant::fromValue(classReference(DateClasses))},
        });
    }
    case QMetaType::QStringList:
    case QMetaType::QVariantList: {
        const QVariantList list = value.toList();
        const PlistUid uid = appendObject(QVariant());
        QVariantList refs;
        refs.reserve(list.size());
        for (const QVariant& item : list)
            refs.append(QVariant::fromValue(reference(item, depth + 1)));
        m_objects[qsizetype(uid.value)] = QVariantMap{
            {QStringLiteral("NS.objects"), refs},
            {QStringLiteral("$class"), QVariant::fromValue(classReference(ArrayClasses))},
        };
        return uid;
    }
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash: {
        // QVariant converts a hash to a map itself.
        const QVariantMap map = value.toMap();
        const PlistUid uid = appendObject(QVariant());
        QVariantList keys;
        QVariantList refs;
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            keys.append(QVariant::fromValue(reference(it.key(), depth + 1)));
            refs.append(QVariant::fromValue(reference(it.value(), depth + 1)));
        }
        m_objects[qsizetype(uid.value)] = QVariantMap{
            {QStringLiteral("NS.keys"), keys},
            {QStringLiteral("NS.objects"), refs},
            {QStringLiteral("$class"), QVariant::fromValue(classReference(DictionaryClasses))},
        };
        return uid;
    }
    default:
        break;
    }
    if (value.metaType() == QMetaType::fromType<rv::Color>()) {
        QVariantMap form = ColorArchiveForm::encode(value.value<rv::Color>());
        form.insert(QStringLiteral("$class"), QVariant::fromValue(classReference(ColorClasses)));
        return appendObject(form);
    }
    if (value.metaType() == QMetaType::fromType<ArchivableRef>())
        return referenceRecord(value.value<ArchivableRef>().get(), depth);
    fail(QStringLiteral("an archive cannot hold a value of type %1")
             .arg(QString::fromLatin1(value.metaType().name())));
    return PlistUid{0};
}

PlistUid KeyedArchiver::referenceRecord(const Archivable* record, int depth)
{
    if (!record)
        return PlistUid{0};
    if (m_recordsInProgress.contains(record)) {
        fail(QStringLiteral("a %1 record refers back to itself").arg(record->archiveClassName()));
        return PlistUid{0};
    }
    // One object written once, however often it is referenced.
    if (const auto it = m_recordUids.constFind(record); it != m_recordUids.cend())
        return PlistUid{*it};

    const PlistUid uid = appendObject(QVariant());
    m_recordUids.insert(record, uid.value);
    m_recordsInProgress.insert(record);

    QVariantMap fields;
    QVariantMap* outer = m_current;
    const int outerDepth = m_depth;
    m_current = &fields;
    m_depth = depth;
    record->encodeWithCoder(*this);
    m_current = outer;
    m_depth = outerDepth;
    m_recordsInProgress.remove(record);

    QStringList classes = record->archiveClassChain();
    if (classes.isEmpty() || classes.first() != record->archiveClassName())
        classes.prepend(record->archiveClassName());
    fields.insert(QStringLiteral("$class"), QVariant::fromValue(classReference(classes)));
    m_objects[qsizetype(uid.value)] = fields;
    return uid;
}

bool KeyedArchiver::canWriteKey(const QString& key)
{
    if (!m_current) {
        fail(QStringLiteral("a key was written outside a record"));
        return false;
    }
    if (key.startsWith(QLatin1Char('$'))) {
        fail(QStringLiteral("the key \"%1\" is reserved").arg(key));
        return false;
    }
    return true;
}

void KeyedArchiver::encodeObject(const QString& key, const QVariant& value)
{
    if (!canWriteKey(key))
        return;
    QVariantMap* target = m_current;
    const PlistUid uid = reference(value, m_depth + 1);
    target->insert(key, QVariant::fromValue(uid));
}

void KeyedArchiver::encodeObject(const QString& key, const Archivable* record)
{
    encodeObject(key, recordReference(record));
}

void KeyedArchiver::encodeColor(const QString& key, const rv::Color& color)
{
    encodeObject(key, QVariant::fromValue(color));
}

void KeyedArchiver::encodeInt(const QString& key, qint64 value)
{
    if (canWriteKey(key))
        m_current->insert(key, value);
}

void KeyedArchiver::encodeBool(const QString& key, bool value)
{
    if (canWriteKey(key))
        m_current->insert(key, value);
}

void KeyedArchiver::encodeDouble(const QString& key, double value)
{
    if (!std::isfinite(value))
        fail(QStringLiteral("a number is not finite"));
    else if (canWriteKey(key))
        m_current->insert(key, value);
}
