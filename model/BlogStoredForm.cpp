// The table of the keys a blog keeps in its archive.
#include "BlogStoredForm.h"

#include "Blog.h"
#include "Category.h"
#include "Template.h"

#include <array>

using StoredValue::fromOptional;
using StoredValue::fromText;

namespace {

#define BLOG_OPTION_KEY(name)                                                                      \
    {                                                                                              \
        name, StoredKind::Number, InArchive,                                                       \
            [](const Blog& b) { return b.m_settings.storedOption(name); },                         \
            [](Blog& b, const QVariant& v) { b.setOption(QStringLiteral(name), v); }               \
    }

} // namespace

std::span<const RecordKey<Blog>> BlogStoredForm::keys()
{
    using B = Blog;
    static const std::array<RecordKey<Blog>, 35> keys{{
        {"uniqueID", StoredKind::String, InArchive,
         [](const B& b) { return fromText(b.uniqueID()); },
         [](B& b, const QVariant& v) { b.setUniqueIDValue(v); }},
        {"title", StoredKind::String, InArchive, [](const B& b) { return fromText(b.title()); },
         [](B& b, const QVariant& v) { b.setTitle(v.toString()); }},
        {"url", StoredKind::String, InArchive, [](const B& b) { return fromText(b.m_url); },
         [](B& b, const QVariant& v) { b.setUrl(v.toString()); }},
        {"timeZone", StoredKind::String, InArchive,
         [](const B& b) { return fromText(b.m_settings.storedTimeZone()); },
         [](B& b, const QVariant& v) { b.setTimeZone(v.toString()); }},
        {"language", StoredKind::String, InArchive,
         [](const B& b) { return fromText(b.m_settings.language()); },
         [](B& b, const QVariant& v) { b.setLanguage(v.toString()); }},
        {"scriptName", StoredKind::String, InArchive,
         [](const B& b) { return fromText(b.m_settings.scriptName()); },
         [](B& b, const QVariant& v) { b.setScriptName(v.toString()); }},
        {"categories", StoredKind::CategoryList, InArchive,
         [](const B& b) { return fromOptional(b.m_categories); },
         [](B& b, const QVariant& v) { b.setCategories(v.value<CategoryList>()); }},
        {"pingUrls", StoredKind::PlainList, InArchive,
         [](const B& b) { return fromOptional(b.m_settings.storedPingUrls()); },
         [](B& b, const QVariant& v) { b.setPingUrls(v.toList()); }},
        {"addresses", StoredKind::PlainList, InArchive,
         [](const B& b) { return fromOptional(b.m_settings.storedAddresses()); },
         [](B& b, const QVariant& v) { b.setAddresses(v.toList()); }},
        {"services", StoredKind::Dictionary, InArchive,
         [](const B& b) { return fromOptional(b.m_settings.storedServices()); },
         [](B& b, const QVariant& v) { b.setServices(v.toMap()); }},
        BLOG_OPTION_KEY("utcMode"),
        BLOG_OPTION_KEY("convertEntities"),
        BLOG_OPTION_KEY("commentOption"),
        BLOG_OPTION_KEY("trackbackOption"),
        BLOG_OPTION_KEY("pingOption"),
        BLOG_OPTION_KEY("notifyOption"),
        BLOG_OPTION_KEY("smartOption"),
        BLOG_OPTION_KEY("publishOption"),
        {"defaultFormat", StoredKind::String, InArchive,
         [](const B& b) { return fromText(b.m_settings.storedDefaultFormat()); },
         [](B& b, const QVariant& v) { b.setDefaultFormat(v.toString()); }},
        BLOG_OPTION_KEY("warnOnTitle"),
        BLOG_OPTION_KEY("warnOnSummary"),
        BLOG_OPTION_KEY("warnOnKeywords"),
        BLOG_OPTION_KEY("warnOnCategories"),
        BLOG_OPTION_KEY("warnOnPost"),
        BLOG_OPTION_KEY("showKeywords"),
        BLOG_OPTION_KEY("showBloglist"),
        BLOG_OPTION_KEY("showExtraEdit"),
        BLOG_OPTION_KEY("extraEditTab"),
        BLOG_OPTION_KEY("showOptions"),
        {"quoteTemplate", StoredKind::Template, InArchive,
         [](const B& b) {
             return fromOptional(b.m_settings.storedTemplate(BlogSettings::TemplateSlot::Quote));
         },
         [](B& b, const QVariant& v) { b.setQuoteTemplate(v.value<TemplatePtr>()); }},
        {"previewTemplate", StoredKind::Template, InArchive,
         [](const B& b) {
             return fromOptional(b.m_settings.storedTemplate(BlogSettings::TemplateSlot::Preview));
         },
         [](B& b, const QVariant& v) { b.setPreviewTemplate(v.value<TemplatePtr>()); }},
        {"linkTemplate", StoredKind::Template, InArchive,
         [](const B& b) {
             return fromOptional(b.m_settings.storedTemplate(BlogSettings::TemplateSlot::Link));
         },
         [](B& b, const QVariant& v) { b.setLinkTemplate(v.value<TemplatePtr>()); }},
        {"richTemplate", StoredKind::Template, InArchive,
         [](const B& b) {
             return fromOptional(b.m_settings.storedTemplate(BlogSettings::TemplateSlot::Rich));
         },
         [](B& b, const QVariant& v) { b.setRichTemplate(v.value<TemplatePtr>()); }},
        {"htmlTemplate", StoredKind::Template, InArchive,
         [](const B& b) {
             return fromOptional(b.m_settings.storedTemplate(BlogSettings::TemplateSlot::Html));
         },
         [](B& b, const QVariant& v) { b.setHtmlTemplate(v.value<TemplatePtr>()); }},
        {"tagTemplate", StoredKind::Template, InArchive,
         [](const B& b) {
             return fromOptional(b.m_settings.storedTemplate(BlogSettings::TemplateSlot::Tag));
         },
         [](B& b, const QVariant& v) { b.setTagTemplate(v.value<TemplatePtr>()); }},
    }};
    return keys;
}
