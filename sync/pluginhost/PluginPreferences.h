#pragma once

#include "PLUMETPreferences.h"

class UserDefaults;

// The preferences the host hands to plug-ins: the application's user defaults.
class PluginPreferences : public PLUMETPreferences {
public:
    explicit PluginPreferences(UserDefaults& defaults) : m_defaults(defaults) {}

    // Over UserDefaults::sharedInstance().
    static PluginPreferences& sharedInstance();

    QVariant value(const QString& key) const override;
    void setValue(const QString& key, const QVariant& value) override;

private:
    UserDefaults& m_defaults;
};
