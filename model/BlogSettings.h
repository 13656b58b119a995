// A blog's settings with their defaults: time zone, language, script, format, options, lists and
// templates.
#pragma once

#include "ModelTypes.h"

#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <array>
#include <optional>

// What Blog's setting getters answer and its archive keeps. A getter stores
// its default on first read, so the archive then holds it; the setters only
// store: the blog announces each change. The blog's address, lists of
// entries and categories and its account are the blog's own.
class BlogSettings {
public:
    enum class TemplateSlot { Quote, Preview, Link, Rich, Html, Tag };

    // The localized "Use local timezone" when unset.
    QString timeZone() const;
    void setTimeZone(const QString& zone) { m_timeZone = zone; }
    const QString& storedTimeZone() const { return m_timeZone; }
    QString language() const { return m_language; }
    void setLanguage(const QString& language) { m_language = language; }
    QString scriptName() const { return m_scriptName; }
    void setScriptName(const QString& name) { m_scriptName = name; }
    // "" when unset.
    QString defaultFormat() const;
    void setDefaultFormat(const QString& format) { m_defaultFormat = format; }
    const QString& storedDefaultFormat() const { return m_defaultFormat; }

    // The stored value, or the option's default; invalid for an option
    // without a default while unset.
    QVariant option(const QString& name) const;
    QVariant storedOption(const char* name) const;
    // A nil value clears the option.
    void setOption(const QString& name, const QVariant& value);

    QVariantList pingUrls() const; // an empty list when unset
    // nullopt stores an empty list.
    void setPingUrls(std::optional<QVariantList> urls);
    const std::optional<QVariantList>& storedPingUrls() const { return m_pingUrls; }
    QVariantList addresses() const { return m_addresses.value_or(QVariantList()); }
    // nullopt stores an empty list.
    void setAddresses(std::optional<QVariantList> addresses);
    const std::optional<QVariantList>& storedAddresses() const { return m_addresses; }
    QVariantMap services() const { return m_services.value_or(QVariantMap()); }
    void setServices(std::optional<QVariantMap> services) { m_services = std::move(services); }
    void addService(const QString& name, const QString& address);
    const std::optional<QVariantMap>& storedServices() const { return m_services; }

    // Owned copies; the slot's default is made when unset.
    TemplatePtr templateIn(TemplateSlot slot) const;
    // A copy of `value` is stored; null clears the slot.
    void setTemplate(TemplateSlot slot, const TemplatePtr& value);
    const std::optional<TemplatePtr>& storedTemplate(TemplateSlot slot) const;

private:
    mutable QString m_timeZone;
    QString m_language, m_scriptName;
    mutable QString m_defaultFormat;
    mutable QVariantMap m_options;
    mutable std::optional<QVariantList> m_pingUrls;
    std::optional<QVariantList> m_addresses;
    std::optional<QVariantMap> m_services;
    mutable std::array<std::optional<TemplatePtr>, 6> m_templates;
};
