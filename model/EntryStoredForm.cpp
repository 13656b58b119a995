// The stored forms of an entry: the table of its archived and file keys, and its dictionary.
#include "EntryStoredForm.h"

#include "Category.h"
#include "Entry.h"
#include "EntryFile.h"
#include "Ping.h"

#include <array>

using StoredValue::fromOptional;
using StoredValue::fromText;
using StoredValue::isNil;
using StoredValue::toOptional;

std::span<const RecordKey<Entry>> EntryStoredForm::keys()
{
    using E = Entry;
    static const std::array<RecordKey<Entry>, 25> keys{{
        {"uniqueID", StoredKind::String, InBoth, [](const E& e) { return fromText(e.uniqueID()); },
         [](E& e, const QVariant& v) { e.setUniqueIDValue(v); }},
        {"permaLink", StoredKind::String, InBoth,
         [](const E& e) { return fromText(e.m_permaLink); },
         [](E& e, const QVariant& v) { e.setPermaLink(v.toString()); }},
        {"editURI", StoredKind::String, InBoth, [](const E& e) { return fromText(e.m_editURI); },
         [](E& e, const QVariant& v) { e.setEditURI(v.toString()); }},
        {"title", StoredKind::String, InBoth, [](const E& e) { return fromText(e.title()); },
         [](E& e, const QVariant& v) { e.setTitle(v.toString()); }},
        {"body", StoredKind::String, InBoth, [](const E& e) { return fromText(e.m_body); },
         [](E& e, const QVariant& v) { e.setBody(v.toString()); }},
        {"extended", StoredKind::String, InBoth, [](const E& e) { return fromText(e.m_extended); },
         [](E& e, const QVariant& v) { e.setExtended(v.toString()); }},
        {"summary", StoredKind::String, InBoth, [](const E& e) { return fromText(e.m_summary); },
         [](E& e, const QVariant& v) { e.setSummary(v.toString()); }},
        {"keywords", StoredKind::String, InBoth, [](const E& e) { return fromText(e.m_keywords); },
         [](E& e, const QVariant& v) { e.setKeywords(v.toString()); }},
        {"format", StoredKind::String, InBoth, [](const E& e) { return fromText(e.m_format); },
         [](E& e, const QVariant& v) { e.setFormatValue(v); }},
        {"author", StoredKind::String, InBoth, [](const E& e) { return fromText(e.m_author); },
         [](E& e, const QVariant& v) { e.setAuthor(v.toString()); }},
        {"categories", StoredKind::CategoryList, InBoth,
         [](const E& e) { return fromOptional(e.m_categories); },
         [](E& e, const QVariant& v) { e.setCategories(toOptional<CategoryList>(v)); }},
        {"attachments", StoredKind::StringList, InBoth,
         [](const E& e) { return fromOptional(e.m_attachments); },
         [](E& e, const QVariant& v) {
             e.setAttachments(isNil(v) ? std::nullopt
                                       : std::optional<QStringList>(v.toStringList()));
         }},
        {"pingUris", StoredKind::PingList, InBoth,
         [](const E& e) { return fromOptional(e.m_pingUris); },
         [](E& e, const QVariant& v) { e.setPingUris(toOptional<PingList>(v)); }},
        {"events", StoredKind::PlainList, InBoth,
         [](const E& e) { return fromOptional(e.m_events); },
         [](E& e, const QVariant& v) { e.setEvents(toOptional<QVariantList>(v)); }},
        {"reviews", StoredKind::PlainList, InBoth,
         [](const E& e) { return fromOptional(e.m_reviews); },
         [](E& e, const QVariant& v) { e.setReviews(toOptional<QVariantList>(v)); }},
        {"flag", StoredKind::Number, InBoth, [](const E& e) { return fromOptional(e.m_flag); },
         [](E& e, const QVariant& v) { e.setFlag(toOptional<int>(v)); }},
        {"editMode", StoredKind::Number, InBoth,
         [](const E& e) { return fromOptional(e.m_editMode); },
         [](E& e, const QVariant& v) { e.setEditMode(toOptional<int>(v)); }},
        {"hasCustomDate", StoredKind::Number, InBoth,
         [](const E& e) { return fromOptional(e.m_hasCustomDate); },
         [](E& e, const QVariant& v) { e.setHasCustomDate(toOptional<bool>(v)); }},
        {"commentOption", StoredKind::Number, InBoth, [](const E& e) { return e.m_commentOption; },
         [](E& e, const QVariant& v) { e.setCommentOption(v); }},
        {"trackbackOption", StoredKind::Number, InBoth,
         [](const E& e) { return e.m_trackbackOption; },
         [](E& e, const QVariant& v) { e.setTrackbackOption(v); }},
        {"pingOption", StoredKind::Number, InBoth, [](const E& e) { return e.m_pingOption; },
         [](E& e, const QVariant& v) { e.setPingOption(v); }},
        {"notifyOption", StoredKind::Number, InBoth, [](const E& e) { return e.m_notifyOption; },
         [](E& e, const QVariant& v) { e.setNotifyOption(v); }},
        {"smartOption", StoredKind::Number, InBoth, [](const E& e) { return e.m_smartOption; },
         [](E& e, const QVariant& v) { e.setSmartOption(v); }},
        {"pluginSettings", StoredKind::Dictionary, InBoth,
         [](const E& e) { return fromOptional(e.m_pluginSettings); },
         [](E& e, const QVariant& v) { e.setPluginSettings(toOptional<QVariantMap>(v)); }},
        {"entryDate", StoredKind::Date, InBoth,
         [](const E& e) { return e.m_entryDate.isValid() ? QVariant(e.m_entryDate) : QVariant(); },
         [](E& e, const QVariant& v) { e.setEntryDate(v.toDateTime()); }},
    }};
    return keys;
}

QVariantMap EntryStoredForm::dictionary(const Entry& entry)
{
    QVariantMap result;
    for (const auto& key : keys()) {
        const QVariant value = key.read(entry);
        if (!value.isValid())
            continue;
        const QString name = QString::fromLatin1(key.name);
        switch (key.kind) {
        case StoredKind::CategoryList: {
            QVariantList list;
            for (const auto& category : value.value<CategoryList>())
                list.append(category->dictionary());
            result.insert(name, list);
            break;
        }
        case StoredKind::PingList: {
            const QVariantList addresses = Ping::addressesOf(value.value<PingList>());
            if (!addresses.isEmpty())
                result.insert(name, addresses);
            break;
        }
        case StoredKind::Date:
            result.insert(name, EntryFile::storedDateText(value.toDateTime().toUTC()));
            break;
        default:
            result.insert(name, value);
            break;
        }
    }
    return result;
}
