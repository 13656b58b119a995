#include "PluginPreferences.h"

#include "UserDefaults.h"

PluginPreferences& PluginPreferences::sharedInstance()
{
    static PluginPreferences preferences(UserDefaults::sharedInstance());
    return preferences;
}

QVariant PluginPreferences::value(const QString& key) const
{
    return m_defaults.value(key);
}

void PluginPreferences::setValue(const QString& key, const QVariant& value)
{
    if (value.isValid())
        m_defaults.setValue(key, value);
    else
        m_defaults.remove(key);
}
