#include "KeyedUnarchiver.h"

#include "ArchiveClassRegistry.h"
#include "ColorArchiveForm.h"
#include "PlatformLog.h"
#include "PropertyList.h"
#include "ReferenceDate.h"

#include <QDebug>
#include <cmath>

namespace {

const QString ClassKey = QStringLiteral("$class");

bool isType(const QVariant& value, QMetaType::Type type)
{
    return value.metaType().id() == type;
}

bool isUid(const QVariant& value)
{
    return value.metaType() == QMetaType::fromType<PlistUid>();
}

// The value held, without a copy; null when it holds another type.
template <class T> const T* held(const QVariant* value)
{
    return value->metaType() == QMetaType::fromType<T>() ? static_cast<const T*>(value->constData())
                                                         : nullptr;
}

bool isOneOf(const QString& name, std::initializer_list<const char*> names)
{
    for (const char* candidate : names)
        if (name == QLatin1String(candidate))
            return true;
    return false;
}

} // namespace

QVariant KeyedUnarchiver::unarchive(const QByteArray& bytes, QString* error, QStringList* warnings,
                                    int* droppedRecords)
{
    QString problem;
    const QVariant archive = PropertyList::read(bytes, &problem);
    if (!archive.isValid()) {
        if (error)
            *error = problem;
        return {};
    }
    return unarchiveTree(archive, error, warnings, droppedRecords);
}

QVariant KeyedUnarchiver::unarchiveFile(const QString& path, QString* error, QStringList* warnings,
                                        int* droppedRecords)
{
    QString problem;
    const QVariant archive = PropertyList::readFile(path, &problem);
    if (!archive.isValid()) {
        if (error)
            *error = problem;
        return {};
    }
    QString archiveProblem;
    QVariant root = unarchiveTree(archive, &archiveProblem, warnings, droppedRecords);
    if (!archiveProblem.isEmpty() && error)
        *error = QStringLiteral("The file \"%1\" could not be read. %2").arg(path, archiveProblem);
    return root;
}

QVariant KeyedUnarchiver::unarchiveTree(const QVariant& archive, QString* error,
                                        QStringList* warnings, int* droppedRecords)
{
    return unarchiveTreeAs(false, archive, error, warnings, droppedRecords);
}

QVariant KeyedUnarchiver::unarchivePlain(const QVariant& archive, QString* error,
                                         QStringList* warnings, int* droppedRecords)
{
    return unarchiveTreeAs(true, archive, error, warnings, droppedRecords);
}

QVariant KeyedUnarchiver::unarchiveTreeAs(bool plain, const QVariant& archive, QString* error,
                                          QStringList* warnings, int* droppedRecords)
{
    KeyedUnarchiver unarchiver;
    unarchiver.plain_ = plain;
    QVariant root;
    if (unarchiver.load(archive)) {
        const QVariant top =
            archive.toMap().value(QStringLiteral("$top")).toMap().value(QStringLiteral("root"));
        root = unarchiver.decodeReference(top, 0);
    }
    if (!unarchiver.report(error, warnings, droppedRecords))
        return {};
    return root;
}

bool KeyedUnarchiver::report(QString* error, QStringList* warnings, int* droppedRecords) const
{
    if (warnings)
        warnings->append(warnings_);
    if (droppedRecords)
        *droppedRecords += dropped_;
    for (const QString& warning : std::as_const(warnings_))
        qCWarning(lcPlatform).noquote() << "Keyed archive:" << warning;
    if (failed()) {
        if (error)
            *error = QStringLiteral("The archive is damaged: %1.").arg(error_);
        return false;
    }
    if (error)
        error->clear();
    return true;
}

bool KeyedUnarchiver::load(const QVariant& archive)
{
    if (!isType(archive, QMetaType::QVariantMap)) {
        fail(QStringLiteral("it is not a keyed archive"));
        return false;
    }
    const QVariantMap map = archive.toMap();
    if (map.value(QStringLiteral("$archiver")).toString() != QLatin1String("NSKeyedArchiver") ||
        !isType(map.value(QStringLiteral("$archiver")), QMetaType::QString)) {
        fail(QStringLiteral("it is not a keyed archive"));
        return false;
    }
    const QVariant objects = map.value(QStringLiteral("$objects"));
    if (!isType(objects, QMetaType::QVariantList) || objects.toList().isEmpty()) {
        fail(QStringLiteral("the object list is missing"));
        return false;
    }
    objects_ = objects.toList();
    if (objects_.first() != QVariant(QStringLiteral("$null"))) {
        fail(QStringLiteral("the object list does not start with $null"));
        return false;
    }
    const QVariant top = map.value(QStringLiteral("$top"));
    if (!isType(top, QMetaType::QVariantMap) || !isUid(top.toMap().value(QStringLiteral("root")))) {
        fail(QStringLiteral("the root object is missing"));
        return false;
    }
    states_.assign(size_t(objects_.size()), State::Pending);
    decoded_.assign(size_t(objects_.size()), QVariant());
    expanded_.assign(size_t(objects_.size()), 0);
    return true;
}

void KeyedUnarchiver::warn(const QString& text)
{
    warnings_.append(text);
}

void KeyedUnarchiver::dropRecord(const QString& text)
{
    warn(text);
    ++dropped_;
}

void KeyedUnarchiver::fail(const QString& reason)
{
    if (error_.isEmpty())
        error_ = reason;
}

QVariant KeyedUnarchiver::decodeReference(const QVariant& reference, int depth)
{
    if (failed())
        return {};
    if (!isUid(reference)) {
        fail(QStringLiteral("an object reference is expected where a %1 stands")
                 .arg(QString::fromLatin1(reference.metaType().name())));
        return {};
    }
    return decodeAt(reference.value<PlistUid>().value, depth);
}

QVariant KeyedUnarchiver::decodeAt(quint64 uid, int depth)
{
    if (failed() || uid == 0)
        return {};
    if (uid >= quint64(objects_.size())) {
        fail(QStringLiteral("the object reference %1 is out of range").arg(uid));
        return {};
    }
    const size_t index = size_t(uid);
    if (states_[index] == State::Done) {
        countNodes(expanded_[index]);
        return failed() ? QVariant() : decoded_[index];
    }
    if (states_[index] == State::InProgress) {
        fail(QStringLiteral("object %1 refers back to itself").arg(uid));
        return {};
    }
    if (depth > MaxDepth) {
        fail(QStringLiteral("the objects are nested too deeply"));
        return {};
    }
    states_[index] = State::InProgress;
    const qint64 nodesBefore = nodes_;
    const QVariant& object = objects_[qsizetype(index)];
    QVariant result;
    switch (object.metaType().id()) {
    case QMetaType::QString:
    case QMetaType::LongLong:
    case QMetaType::Double:
    case QMetaType::Bool:
    case QMetaType::QByteArray:
    case QMetaType::QDateTime:
        result = object;
        break;
    case QMetaType::QVariantMap:
        result = decodeClassed(object.toMap(), depth);
        break;
    default:
        fail(QStringLiteral("object %1 is neither a value nor a classed object").arg(uid));
        break;
    }
    countNodes(1);
    if (failed())
        return {};
    states_[index] = State::Done;
    decoded_[index] = result;
    // A record is one shared object wherever it is referenced again; a value
    // or collection is copied into every place that references it.
    expanded_[index] =
        result.metaType() == QMetaType::fromType<ArchivableRef>() ? 1 : nodes_ - nodesBefore;
    return result;
}

void KeyedUnarchiver::countNodes(qint64 count)
{
    nodes_ += count;
    if (nodes_ > MaxExpandedNodes)
        fail(QStringLiteral("shared references expand into too many values"));
}

QVariant KeyedUnarchiver::decodeClassed(const QVariantMap& object, int depth)
{
    const QVariant classRef = object.value(ClassKey);
    if (!isUid(classRef)) {
        fail(QStringLiteral("an object has no class"));
        return {};
    }
    const quint64 classUid = classRef.value<PlistUid>().value;
    if (classUid == 0 || classUid >= quint64(objects_.size())) {
        fail(QStringLiteral("the class reference %1 is out of range").arg(classUid));
        return {};
    }
    const QVariant classInfo = objects_[qsizetype(classUid)];
    const QVariant className = classInfo.toMap().value(QStringLiteral("$classname"));
    if (!isType(classInfo, QMetaType::QVariantMap) || !isType(className, QMetaType::QString)) {
        fail(QStringLiteral("a class description is malformed"));
        return {};
    }
    const QString name = className.toString();

    if (isOneOf(name, {"NSString", "NSMutableString"})) {
        const QVariant text = object.value(QStringLiteral("NS.string"));
        if (isType(text, QMetaType::QString))
            return text;
        const QVariant bytes = object.value(QStringLiteral("NS.bytes"));
        if (isType(bytes, QMetaType::QByteArray))
            return QString::fromUtf8(bytes.toByteArray());
        fail(QStringLiteral("a string object holds no text"));
        return {};
    }
    if (isOneOf(name, {"NSData", "NSMutableData"})) {
        const QVariant bytes = object.value(QStringLiteral("NS.data"));
        if (!isType(bytes, QMetaType::QByteArray)) {
            fail(QStringLiteral("a data object holds no bytes"));
            return {};
        }
        return bytes;
    }
    if (name == QLatin1String("NSDate")) {
        const QVariant time = object.value(QStringLiteral("NS.time"));
        const bool number = isType(time, QMetaType::Double) || isType(time, QMetaType::LongLong);
        const auto date = number ? dateFromReferenceSeconds(time.toDouble()) : std::nullopt;
        if (!date) {
            fail(QStringLiteral("a date object holds no valid time"));
            return {};
        }
        return *date;
    }
    if (isOneOf(name, {"NSArray", "NSMutableArray", "NSSet", "NSMutableSet", "NSOrderedSet",
                       "NSMutableOrderedSet"}))
        return decodeCollection(name, object, depth);
    if (isOneOf(name, {"NSDictionary", "NSMutableDictionary"}))
        return decodeDictionary(object, depth);
    if (name == QLatin1String("NSNull"))
        return {};
    if (name == QLatin1String("NSColor"))
        return decodeColorObject(object, depth);
    return decodeRecordObject(name, object, depth);
}

QVariant KeyedUnarchiver::decodeCollection(const QString& className, const QVariantMap& object,
                                           int depth)
{
    const QVariant members = object.value(QStringLiteral("NS.objects"));
    if (!members.isValid())
        return QVariantList();
    if (!isType(members, QMetaType::QVariantList)) {
        fail(QStringLiteral("the members of an %1 are not a list").arg(className));
        return {};
    }
    QVariantList list;
    const QVariantList refs = members.toList();
    list.reserve(refs.size());
    for (const QVariant& ref : refs) {
        QVariant item = decodeReference(ref, depth + 1);
        if (failed())
            return {};
        list.append(std::move(item));
    }
    return list;
}

QVariant KeyedUnarchiver::decodeDictionary(const QVariantMap& object, int depth)
{
    const QVariant keys = object.value(QStringLiteral("NS.keys"));
    const QVariant values = object.value(QStringLiteral("NS.objects"));
    if (!keys.isValid() && !values.isValid())
        return QVariantMap();
    if (!isType(keys, QMetaType::QVariantList) || !isType(values, QMetaType::QVariantList) ||
        keys.toList().size() != values.toList().size()) {
        fail(QStringLiteral("the keys and values of a dictionary do not match"));
        return {};
    }
    const QVariantList keyRefs = keys.toList();
    const QVariantList valueRefs = values.toList();
    QVariantMap map;
    for (qsizetype i = 0; i < keyRefs.size(); ++i) {
        const QVariant key = decodeReference(keyRefs[i], depth + 1);
        if (failed())
            return {};
        QString name;
        if (isType(key, QMetaType::QString)) {
            name = key.toString();
        } else if (isType(key, QMetaType::LongLong)) {
            name = QString::number(key.toLongLong());
        } else {
            fail(QStringLiteral("a dictionary key is not a text"));
            return {};
        }
        QVariant value = decodeReference(valueRefs[i], depth + 1);
        if (failed())
            return {};
        map.insert(name, std::move(value));
    }
    return map;
}

QVariant KeyedUnarchiver::decodeColorObject(const QVariantMap& object, int depth)
{
    QVariantMap form = object;
    // The colour space is a plain integer, or in some archives a reference.
    const QVariant space = object.value(QStringLiteral("NSColorSpace"));
    if (isUid(space))
        form.insert(QStringLiteral("NSColorSpace"), decodeReference(space, depth + 1));
    for (const char* key : {"NSRGB", "NSWhite"}) {
        const QVariant value = object.value(QLatin1String(key));
        if (isUid(value))
            form.insert(QLatin1String(key), decodeReference(value, depth + 1));
    }
    if (failed())
        return {};
    if (ColorArchiveForm::colorSpace(form) == ColorArchiveForm::Catalog) {
        const QVariant fallback = object.value(QStringLiteral("NSColor"));
        if (isUid(fallback)) {
            const QVariant color = decodeReference(fallback, depth + 1);
            if (color.metaType() == QMetaType::fromType<rv::Color>())
                return color;
        }
        warn(QStringLiteral("the catalog colour \"%1\" has no usable fallback colour")
                 .arg(object.value(QStringLiteral("NSColorName")).toString()));
        return {};
    }
    QString problem;
    const std::optional<rv::Color> color = ColorArchiveForm::decode(form, &problem);
    if (!color) {
        warn(QStringLiteral("a colour was left out: %1").arg(problem));
        return {};
    }
    return QVariant::fromValue(*color);
}

QVariant KeyedUnarchiver::decodeRecordObject(const QString& className, const QVariantMap& object,
                                             int depth)
{
    if (plain_) {
        if (!ArchiveClassRegistry::contains(className)) {
            dropRecord(QStringLiteral("an object of the unknown class \"%1\" was left out")
                           .arg(className));
            return {};
        }
        auto plain = std::make_shared<PlainRecord>();
        plain->className = className;
        const QVariantMap* outer = current_;
        const int outerDepth = currentDepth_;
        current_ = &object;
        currentDepth_ = depth;
        for (auto it = object.cbegin(); it != object.cend() && !failed(); ++it) {
            if (it.key().startsWith(QLatin1Char('$')))
                continue;
            QVariant value = decodeObject(it.key());
            if (value.isValid())
                plain->fields.insert(it.key(), std::move(value));
        }
        current_ = outer;
        currentDepth_ = outerDepth;
        if (failed())
            return {};
        return QVariant::fromValue(PlainRecordRef(std::move(plain)));
    }
    const ArchivableRef record = ArchiveClassRegistry::create(className);
    if (!record) {
        dropRecord(
            QStringLiteral("an object of the unknown class \"%1\" was left out").arg(className));
        return {};
    }
    const QVariantMap* outer = current_;
    const int outerDepth = currentDepth_;
    current_ = &object;
    currentDepth_ = depth;
    record->initWithCoder(*this);
    current_ = outer;
    currentDepth_ = outerDepth;
    if (failed())
        return {};
    return QVariant::fromValue(record);
}

bool KeyedUnarchiver::containsKey(const QString& key) const
{
    return current_ && !key.startsWith(QLatin1Char('$')) && current_->contains(key);
}

QStringList KeyedUnarchiver::keys() const
{
    QStringList names;
    if (!current_)
        return names;
    for (auto it = current_->cbegin(); it != current_->cend(); ++it)
        if (!it.key().startsWith(QLatin1Char('$')))
            names.append(it.key());
    return names;
}

const QVariantList* KeyedUnarchiver::rootMembers(const QVariantMap& archive,
                                                 const QVariantList& objects)
{
    const QVariant top =
        archive.value(QStringLiteral("$top")).toMap().value(QStringLiteral("root"));
    if (!isUid(top))
        return nullptr;
    const quint64 uid = top.value<PlistUid>().value;
    if (uid == 0 || uid >= quint64(objects.size()) ||
        !isType(objects[qsizetype(uid)], QMetaType::QVariantMap))
        return nullptr;
    const QVariantMap* root = held<QVariantMap>(&objects[qsizetype(uid)]);
    const QVariant classRef = root ? root->value(ClassKey) : QVariant();
    if (!isUid(classRef))
        return nullptr;
    const quint64 classUid = classRef.value<PlistUid>().value;
    if (classUid == 0 || classUid >= quint64(objects.size()))
        return nullptr;
    const QString name =
        objects[qsizetype(classUid)].toMap().value(QStringLiteral("$classname")).toString();
    if (!isOneOf(name, {"NSArray", "NSMutableArray"}))
        return nullptr;
    const auto found = root->constFind(QStringLiteral("NS.objects"));
    if (found == root->constEnd() || !isType(*found, QMetaType::QVariantList))
        return nullptr;
    return held<QVariantList>(&*found);
}

qsizetype KeyedUnarchiver::rootListSize(const QVariant& archive)
{
    const QVariantMap* map = held<QVariantMap>(&archive);
    if (!map)
        return -1;
    const auto objects = map->constFind(QStringLiteral("$objects"));
    if (objects == map->constEnd() || !isType(*objects, QMetaType::QVariantList))
        return -1;
    const QVariantList* members = rootMembers(*map, *held<QVariantList>(&*objects));
    return members ? members->size() : -1;
}

QVariantList KeyedUnarchiver::unarchivePlainElements(const QVariant& archive, qsizetype first,
                                                     qsizetype count, QString* error,
                                                     QStringList* warnings, int* droppedRecords)
{
    KeyedUnarchiver unarchiver;
    unarchiver.plain_ = true;
    QVariantList elements;
    if (unarchiver.load(archive)) {
        const QVariantList* members = rootMembers(archive.toMap(), unarchiver.objects_);
        if (!members || first < 0 || first + count > members->size()) {
            unarchiver.fail(QStringLiteral("the root list is missing"));
        } else {
            elements.reserve(count);
            for (qsizetype i = first; i < first + count && !unarchiver.failed(); ++i)
                elements.append(unarchiver.decodeReference(members->at(i), 1));
        }
    }
    if (!unarchiver.report(error, warnings, droppedRecords))
        return {};
    return elements;
}

ArchivableRef KeyedUnarchiver::buildRecord(const PlainRecordRef& plain, QString* error,
                                           QStringList* warnings)
{
    KeyedUnarchiver unarchiver;
    unarchiver.built_ = true;
    ArchivableRef record = plain ? unarchiver.build(*plain) : nullptr;
    if (warnings)
        warnings->append(unarchiver.warnings_);
    if (unarchiver.failed() || !record) {
        if (error)
            *error = unarchiver.failed()
                         ? QStringLiteral("The archive is damaged: %1.").arg(unarchiver.error_)
                         : QStringLiteral("A record of an unknown class was left out.");
        return nullptr;
    }
    if (error)
        error->clear();
    return record;
}

ArchivableRef KeyedUnarchiver::build(const PlainRecord& plain)
{
    ArchivableRef record = ArchiveClassRegistry::create(plain.className);
    if (!record) {
        dropRecord(QStringLiteral("an object of the unknown class \"%1\" was left out")
                       .arg(plain.className));
        return nullptr;
    }
    const QVariantMap* outer = current_;
    current_ = &plain.fields;
    record->initWithCoder(*this);
    current_ = outer;
    return failed() ? nullptr : record;
}

QVariant KeyedUnarchiver::materialize(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<PlainRecordRef>()) {
        const PlainRecordRef plain = value.value<PlainRecordRef>();
        ArchivableRef record = plain ? build(*plain) : nullptr;
        return record ? QVariant::fromValue(record) : QVariant();
    }
    if (isType(value, QMetaType::QVariantList)) {
        QVariantList list = value.toList();
        for (QVariant& item : list)
            item = materialize(item);
        return list;
    }
    if (isType(value, QMetaType::QVariantMap)) {
        QVariantMap map = value.toMap();
        for (auto it = map.begin(); it != map.end(); ++it)
            it.value() = materialize(it.value());
        return map;
    }
    return value;
}

QVariant KeyedUnarchiver::decodeObject(const QString& key)
{
    if (failed() || !containsKey(key))
        return {};
    const QVariant value = current_->value(key);
    if (built_)
        return materialize(value);
    if (isUid(value))
        return decodeAt(value.value<PlistUid>().value, currentDepth_ + 1);
    switch (value.metaType().id()) {
    case QMetaType::LongLong:
    case QMetaType::Double:
    case QMetaType::Bool:
    case QMetaType::QString:
    case QMetaType::QByteArray:
        return value;
    default:
        warn(QStringLiteral("the key \"%1\" holds a value that is not an object").arg(key));
        return {};
    }
}

QVariant KeyedUnarchiver::typed(const QString& key, QMetaType::Type type, const char* what)
{
    const QVariant value = decodeObject(key);
    if (!value.isValid())
        return {};
    const int actual = value.metaType().id();
    const bool number =
        actual == QMetaType::LongLong || actual == QMetaType::Double || actual == QMetaType::Bool;
    const bool wantsNumber =
        type == QMetaType::LongLong || type == QMetaType::Double || type == QMetaType::Bool;
    if (actual == type || (number && wantsNumber))
        return value;
    warn(QStringLiteral("the key \"%1\" does not hold %2").arg(key, QLatin1String(what)));
    return {};
}

QString KeyedUnarchiver::decodeString(const QString& key, const QString& fallback)
{
    const QVariant value = typed(key, QMetaType::QString, "a text");
    return value.isValid() ? value.toString() : fallback;
}

qint64 KeyedUnarchiver::decodeInt(const QString& key, qint64 fallback)
{
    const QVariant value = typed(key, QMetaType::LongLong, "a number");
    if (!value.isValid())
        return fallback;
    if (value.metaType().id() == QMetaType::Double) {
        const double number = value.toDouble();
        if (!std::isfinite(number) || std::fabs(number) > 9.2e18)
            return fallback;
        return qint64(number);
    }
    return value.toLongLong();
}

double KeyedUnarchiver::decodeDouble(const QString& key, double fallback)
{
    const QVariant value = typed(key, QMetaType::Double, "a number");
    return value.isValid() ? value.toDouble() : fallback;
}

bool KeyedUnarchiver::decodeBool(const QString& key, bool fallback)
{
    const QVariant value = typed(key, QMetaType::Bool, "a number");
    if (!value.isValid())
        return fallback;
    return value.metaType().id() == QMetaType::Double ? value.toDouble() != 0.0
                                                      : value.toLongLong() != 0;
}

QDateTime KeyedUnarchiver::decodeDate(const QString& key)
{
    return typed(key, QMetaType::QDateTime, "a date").toDateTime();
}

QByteArray KeyedUnarchiver::decodeData(const QString& key)
{
    return typed(key, QMetaType::QByteArray, "data").toByteArray();
}

std::optional<rv::Color> KeyedUnarchiver::decodeColor(const QString& key)
{
    const QVariant value = decodeObject(key);
    if (!value.isValid())
        return std::nullopt;
    if (value.metaType() != QMetaType::fromType<rv::Color>()) {
        warn(QStringLiteral("the key \"%1\" does not hold a colour").arg(key));
        return std::nullopt;
    }
    return value.value<rv::Color>();
}

QVariantList KeyedUnarchiver::decodeList(const QString& key)
{
    return typed(key, QMetaType::QVariantList, "a list").toList();
}

QVariantMap KeyedUnarchiver::decodeMap(const QString& key)
{
    return typed(key, QMetaType::QVariantMap, "a dictionary").toMap();
}
