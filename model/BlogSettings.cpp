// A blog's settings with their defaults: time zone, language, script, format, options, lists and
// templates.
#include "BlogSettings.h"

#include "Localization.h"
#include "RecordKey.h"
#include "Template.h"

using StoredValue::isNil;

namespace {

// Options a new blog answers before anything was stored.
QVariant optionDefault(const QString& name)
{
    static const QVariantMap defaults{
        {QStringLiteral("utcMode"), true},          {QStringLiteral("commentOption"), true},
        {QStringLiteral("trackbackOption"), false}, {QStringLiteral("pingOption"), false},
        {QStringLiteral("notifyOption"), false},    {QStringLiteral("smartOption"), false},
        {QStringLiteral("publishOption"), true},    {QStringLiteral("warnOnTitle"), true},
        {QStringLiteral("warnOnSummary"), false},   {QStringLiteral("warnOnKeywords"), false},
        {QStringLiteral("warnOnCategories"), true}, {QStringLiteral("warnOnPost"), true},
        {QStringLiteral("showKeywords"), true},     {QStringLiteral("showBloglist"), false},
    };
    return defaults.value(name);
}

TemplatePtr defaultQuoteTemplate()
{
    auto quote = std::make_shared<Template>();
    quote->setTitle(QStringLiteral("$title$"));
    quote->setBody(QStringLiteral("<blockquote cite=\"$url$\">\n$quote$\n[From <a "
                                  "href=\"$url$\"><cite>$title$</cite></a>]\n</blockquote>"));
    return quote;
}

TemplatePtr defaultTagTemplate()
{
    auto tags = std::make_shared<Template>();
    tags->setUrl(QStringLiteral("https://wordpress.com/tag/"));
    tags->setSeparator(QStringLiteral(", "));
    tags->setLocation(0);
    return tags;
}

TemplatePtr emptyTemplate()
{
    return std::make_shared<Template>();
}

TemplatePtr defaultTemplate(BlogSettings::TemplateSlot slot)
{
    using Slot = BlogSettings::TemplateSlot;
    switch (slot) {
    case Slot::Quote:
        return defaultQuoteTemplate();
    case Slot::Preview:
        return Template::defaultPreviewTemplate();
    case Slot::Link:
        return emptyTemplate();
    case Slot::Rich:
        return Template::defaultRichTemplate();
    case Slot::Html:
        return Template::defaultHtmlTemplate();
    case Slot::Tag:
        return defaultTagTemplate();
    }
    return emptyTemplate();
}

} // namespace

QString BlogSettings::timeZone() const
{
    if (m_timeZone.isEmpty())
        m_timeZone = localized("Preferences", "Use local timezone");
    return m_timeZone;
}

QString BlogSettings::defaultFormat() const
{
    if (m_defaultFormat.isNull())
        m_defaultFormat = QLatin1String("");
    return m_defaultFormat;
}

QVariant BlogSettings::option(const QString& name) const
{
    QVariant value = m_options.value(name);
    if (isNil(value)) {
        value = optionDefault(name);
        if (value.isValid())
            m_options.insert(name, value);
    }
    return value;
}

QVariant BlogSettings::storedOption(const char* name) const
{
    return m_options.value(QLatin1String(name));
}

void BlogSettings::setOption(const QString& name, const QVariant& value)
{
    if (isNil(value))
        m_options.remove(name);
    else
        m_options.insert(name, value);
}

QVariantList BlogSettings::pingUrls() const
{
    if (!m_pingUrls)
        m_pingUrls = QVariantList();
    return *m_pingUrls;
}

void BlogSettings::setPingUrls(std::optional<QVariantList> urls)
{
    m_pingUrls = urls ? std::move(urls) : QVariantList();
}

void BlogSettings::setAddresses(std::optional<QVariantList> addresses)
{
    m_addresses = addresses ? std::move(addresses) : QVariantList();
}

void BlogSettings::addService(const QString& name, const QString& address)
{
    if (!m_services)
        m_services = QVariantMap();
    m_services->insert(name, address);
}

TemplatePtr BlogSettings::templateIn(TemplateSlot slot) const
{
    std::optional<TemplatePtr>& stored = m_templates[size_t(slot)];
    if (!stored || !*stored)
        stored = defaultTemplate(slot);
    return *stored;
}

void BlogSettings::setTemplate(TemplateSlot slot, const TemplatePtr& value)
{
    std::optional<TemplatePtr>& stored = m_templates[size_t(slot)];
    if (value)
        stored = value->copy();
    else
        stored.reset();
}

const std::optional<TemplatePtr>& BlogSettings::storedTemplate(TemplateSlot slot) const
{
    return m_templates[size_t(slot)];
}
