#include "EntryFile.h"

#include "AtomicFile.h"
#include "Category.h"
#include "Entry.h"
#include "ModelLog.h"
#include "Ping.h"
#include "PropertyList.h"
#include "RecordKey.h"
#include "RegularFile.h"
#include "StringEncoding.h"
#include "StringExtensions.h"
#include "UniqueId.h"

#include <QDebug>
#include <QFile>
#include <QTimeZone>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

constexpr int pingCount = 10;
constexpr const char* publishUnansweredKey = "publishUnanswered";

using StoredValue::isNumber;

bool isStringList(const QVariant& value)
{
    if (value.typeId() != QMetaType::QVariantList)
        return false;
    const QVariantList list = value.toList();
    return std::all_of(list.begin(), list.end(),
                       [](const QVariant& item) { return item.typeId() == QMetaType::QString; });
}

// Whether a file value has the kind its key stores. Identifiers and format keys
// may have been written as numbers by servers that number them.
bool hasStoredKind(const RecordKey<Entry>& key, const QVariant& value)
{
    switch (key.kind) {
    case StoredKind::String:
        return value.typeId() == QMetaType::QString ||
               ((qstrcmp(key.name, "uniqueID") == 0 || qstrcmp(key.name, "format") == 0) &&
                isNumber(value) && value.typeId() != QMetaType::Bool);
    case StoredKind::Number:
        return isNumber(value);
    case StoredKind::StringList:
        return isStringList(value);
    case StoredKind::PlainList:
        return value.typeId() == QMetaType::QVariantList;
    case StoredKind::Dictionary:
        return value.typeId() == QMetaType::QVariantMap;
    default:
        return false; // dates, categories and pings have their own readers
    }
}

// The entry's stored key of that name, looked up by hash: files are read by
// the thousand.
const RecordKey<Entry>* findEntryKey(const QString& name)
{
    // By length first: few keys share one.
    struct Named {
        QString name;
        const RecordKey<Entry>* key;
    };
    static const auto byLength = [] {
        std::array<std::vector<Named>, 32> table;
        for (const RecordKey<Entry>& key : Entry::storedKeys()) {
            const QString name = QString::fromLatin1(key.name);
            table.at(size_t(name.size())).push_back({name, &key});
        }
        return table;
    }();
    if (name.size() >= qsizetype(byLength.size()))
        return nullptr;
    for (const Named& named : byLength[size_t(name.size())]) {
        if (named.name == name)
            return named.key;
    }
    return nullptr;
}

void warnSkipped(const QString& key, const char* why)
{
    qCWarning(lcStore).noquote()
        << QStringLiteral("Entry file key \"%1\" skipped: %2").arg(key, QLatin1String(why));
}

// The entry's own texts lose the characters a file cannot hold rather than the texts.
QVariantMap storableTexts(QVariantMap dictionary)
{
    for (auto it = dictionary.begin(); it != dictionary.end(); ++it) {
        if (it.value().typeId() == QMetaType::QString)
            it.value() = rv::removeControlChars(it.value().toString());
    }
    return dictionary;
}

} // namespace

QString EntryFile::fileName(const QString& uniqueID)
{
    return rv::MD5(uniqueID) + QLatin1String(extension);
}

QString EntryFile::fileName(const Entry& entry)
{
    return fileName(entry.uniqueID());
}

QByteArray EntryFile::fileBytes(const Entry& entry, QString* error)
{
    QVariantMap dictionary = entry.dictionary();
    // A deletion under way ends with the program: no file keeps its mark, or
    // the entry would come back undeletable and unopenable.
    if (const auto flag = dictionary.find(QStringLiteral("flag"));
        flag != dictionary.end() && (flag->toLongLong() & Entry::BeingDeleted))
        *flag = int(flag->toLongLong() & ~qlonglong(Entry::BeingDeleted));
    // Only while it is set: files without it read as they always did.
    if (entry.publishUnanswered())
        dictionary.insert(QString::fromLatin1(publishUnansweredKey), true);
    QString reason;
    QByteArray bytes = PropertyList::write(dictionary, PropertyList::Format::Binary, &reason);
    if (!bytes.isEmpty())
        return bytes;
    // A value no file can hold (a server's NaN, a number above 2^63, a control
    // character) is left out, each said by name; the entry itself is always saved.
    QStringList leftOut;
    const QVariant storable = PropertyList::storable(storableTexts(dictionary), &leftOut);
    for (const QString& value : leftOut)
        qCWarning(lcStore).noquote()
            << QStringLiteral("The entry \"%1\" is saved without %2").arg(entry.title(), value);
    bytes = PropertyList::write(storable, PropertyList::Format::Binary, &reason);
    if (bytes.isEmpty()) {
        qCWarning(lcStore).noquote() << reason;
        if (error)
            *error = reason;
    }
    return bytes;
}

bool EntryFile::saveAtPath(const Entry& entry, const QString& folder, QString* error)
{
    const QByteArray bytes = fileBytes(entry, error);
    if (bytes.isEmpty())
        return false;
    return AtomicFile::write(folder + QLatin1Char('/') + fileName(entry), bytes, error);
}

std::optional<QVariantMap> EntryFile::readDictionary(const QByteArray& bytes, QString* error)
{
    QString reason;
    const QVariant root = PropertyList::read(bytes, &reason);
    if (!root.isValid()) {
        if (error)
            *error = reason;
        return std::nullopt;
    }
    if (root.typeId() != QMetaType::QVariantMap) {
        if (error)
            *error = QStringLiteral("The file does not hold a dictionary.");
        return std::nullopt;
    }
    return root.toMap();
}

void EntryFile::prepareFileDictionary(QVariantMap& dictionary)
{
    for (auto it = dictionary.begin(); it != dictionary.end(); ++it) {
        QVariant& value = it.value();
        if (value.typeId() != QMetaType::QString)
            continue;
        if (it.key() == QLatin1String("entryDate")) {
            const QDateTime date = parseStoredDate(value.toString());
            value = date.isValid() ? QVariant(date) : QVariant();
        } else {
            const QString text = value.toString();
            const QString readable = StoredValue::readableText(text);
            if (readable.size() != text.size())
                value = readable;
        }
    }
}

EntryPtr EntryFile::entryFromFileDictionary(const QVariantMap& dictionary, bool prepared)
{
    static const QString uniqueIDKey = QStringLiteral("uniqueID");
    static const QString entryDateKey = QStringLiteral("entryDate");
    // Files of older versions may still hold a deletion's mark: it ended with them.
    static const QString flagKey = QStringLiteral("flag");
    const auto readable = [prepared](const QString& text) {
        return prepared ? text : StoredValue::readableText(text);
    };

    // The file's own identifier and date are the entry's from the start; a
    // fresh identifier and the current date only stand in for missing ones.
    const QVariant id = dictionary.value(uniqueIDKey);
    QString textID;
    bool hasID = false;
    if (id.typeId() == QMetaType::QString) {
        textID = readable(id.toString());
        hasID = !textID.trimmed().isEmpty();
        if (!hasID)
            warnSkipped(uniqueIDKey, "empty");
    } else if (!StoredValue::isNil(id)) {
        hasID = hasStoredKind(*findEntryKey(uniqueIDKey), id); // a number, set below
    }
    const QVariant storedDate = dictionary.value(entryDateKey);
    QDateTime date;
    if (storedDate.typeId() == QMetaType::QDateTime)
        date = storedDate.toDateTime();
    else if (!StoredValue::isNil(storedDate))
        date = parseStoredDate(storedDate.toString());

    auto entry = std::make_shared<Entry>();
    entry->commonInit(hasID ? textID : newUniqueID(),
                      date.isValid() ? date : QDateTime::currentDateTime());
    for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it) {
        const QString& name = it.key();
        const QVariant& value = it.value();
        if (StoredValue::isNil(value) || name == entryDateKey ||
            (name == uniqueIDKey && value.typeId() == QMetaType::QString))
            continue;
        if (name == QLatin1String("categories")) {
            if (value.typeId() != QMetaType::QVariantList) {
                warnSkipped(name, "not a list");
                continue;
            }
            CategoryList categories;
            for (const QVariant& item : value.toList()) {
                if (item.typeId() == QMetaType::QVariantMap)
                    categories.append(Category::fromDictionary(item.toMap()));
            }
            entry->setCategories(categories);
        } else if (name == QLatin1String("pingUris")) {
            if (!isStringList(value)) {
                warnSkipped(name, "not a list of addresses");
                continue;
            }
            PingList pings;
            for (const QVariant& address : value.toList()) {
                if (pings.size() == pingCount)
                    break;
                pings.append(Ping::pingWithTitle(QString(), address.toString()));
            }
            while (pings.size() < pingCount)
                pings.append(std::make_shared<Ping>());
            entry->setPingUris(pings);
        } else if (name == QLatin1String(publishUnansweredKey)) {
            entry->setPublishUnanswered(isNumber(value) && value.toBool());
        } else if (const auto* key = findEntryKey(name); key && (key->forms & InDictionary)) {
            if (value.typeId() == QMetaType::QString && key->kind == StoredKind::String)
                key->write(*entry, readable(value.toString()));
            else if (name == flagKey && hasStoredKind(*key, value))
                key->write(*entry, int(value.toLongLong() & ~qlonglong(Entry::BeingDeleted)));
            else if (hasStoredKind(*key, value))
                key->write(*entry, value);
            else
                warnSkipped(name, "a value of the wrong kind");
        }
        // Anything else ("tags" of older files, keys of other programs) is not ours.
    }
    entry->setNeedsSave(false);
    entry->removeUnusedAttachments();
    return entry;
}

EntryPtr EntryFile::entryFromFile(const QString& path)
{
    QString error;
    std::optional<QVariantMap> dictionary;
    if (const std::optional<QByteArray> bytes = RegularFile::read(path, MaxSize, &error))
        dictionary = readDictionary(*bytes, &error);
    if (!dictionary) {
        qCWarning(lcStore).noquote() << QStringLiteral("Failed to load file at \"%1\"").arg(path);
        qCWarning(lcStore).noquote() << error;
        return nullptr;
    }
    return entryFromFileDictionary(*dictionary);
}

EntryPtr EntryFile::entryFromDictionary(const QVariantMap& dictionary)
{
    if (dictionary.isEmpty())
        return nullptr;
    auto entry = std::make_shared<Entry>();
    entry->commonInit();
    const auto table = Entry::storedKeys();
    for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it) {
        if (StoredValue::isNil(it.value()))
            continue;
        if (it.key() == QLatin1String("categories") &&
            it.value().typeId() == QMetaType::QVariantList) {
            CategoryList categories;
            for (const QVariant& item : it.value().toList())
                categories.append(Category::fromDictionary(item.toMap()));
            entry->setCategories(categories);
            continue;
        }
        setStoredValue(table, *entry, it.key(), it.value());
    }
    entry->removeUnusedAttachments();
    return entry;
}

std::optional<QVariantMap> EntryFile::revisionDictionary(const Entry& entry)
{
    const QString body = entry.body(), extended = entry.extended(), summary = entry.summary();
    if (body.isEmpty() && extended.isEmpty() && summary.isEmpty())
        return std::nullopt;
    return QVariantMap{
        {QStringLiteral("body"), body.isNull() ? QLatin1String("") : body},
        {QStringLiteral("extended"), extended.isNull() ? QLatin1String("") : extended},
        {QStringLiteral("summary"), summary.isNull() ? QLatin1String("") : summary},
        {QStringLiteral("title"), entry.title().isNull() ? QLatin1String("") : entry.title()},
        {QStringLiteral("created"), storedDateText(QDateTime::currentDateTime())},
    };
}

QDateTime EntryFile::parseStoredDate(const QString& text)
{
    // The form this program writes, "yyyy-MM-dd HH:mm:ss ±hhmm", read by
    // hand: every entry file holds one.
    constexpr std::string_view form = "dddd-dd-dd dd:dd:dd +dddd";
    const bool ofTheForm = text.size() == qsizetype(form.size()) && [&] {
        for (size_t i = 0; i < form.size(); ++i) {
            const char16_t c = text[qsizetype(i)].unicode();
            const bool fits = form[i] == 'd'   ? c >= u'0' && c <= u'9'
                              : form[i] == '+' ? c == u'+' || c == u'-'
                                               : c == char16_t(form[i]);
            if (!fits)
                return false;
        }
        return true;
    }();
    if (ofTheForm) {
        const auto number = [&](qsizetype at, qsizetype digits) {
            int value = 0;
            for (qsizetype i = at; i < at + digits; ++i)
                value = value * 10 + (text[i].unicode() - u'0');
            return value;
        };
        const QDate date(number(0, 4), number(5, 2), number(8, 2));
        const QTime time(number(11, 2), number(14, 2), number(17, 2));
        const int offset =
            (number(21, 2) * 3600 + number(23, 2) * 60) * (text[20] == u'-' ? -1 : 1);
        const QDateTime result(date, time, QTimeZone(offset));
        if (result.isValid())
            return result.toLocalTime();
    }
    return rv::parseDate(text);
}

QString EntryFile::storedDateText(const QDateTime& date)
{
    const int offset = date.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return date.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss ")) +
           (offset < 0 ? QLatin1Char('-') : QLatin1Char('+')) +
           QStringLiteral("%1%2")
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}
