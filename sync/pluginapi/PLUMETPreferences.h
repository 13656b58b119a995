#pragma once

#include <QString>
#include <QVariant>
#include <QtPlugin>

// The application's user defaults as a plug-in sees them: its own keys (they
// start with "rv_") read and written like the application's.
class PLUMETPreferences {
public:
    virtual ~PLUMETPreferences() = default;

    // An invalid value when the key holds nothing.
    virtual QVariant value(const QString& key) const = 0;
    // An invalid value removes the key.
    virtual void setValue(const QString& key, const QVariant& value) = 0;
};

// Optional for every kind of plug-in: the host hands the preferences over
// right after it made the instance, before any other message. They live as
// long as the process.
class PLUMETPreferencesClient {
public:
    virtual ~PLUMETPreferencesClient() = default;

    virtual void setPreferences(PLUMETPreferences* preferences) = 0;
};

#define PLUMETPreferencesClient_iid "org.plumet.PLUMETPreferencesClient/3.0"
Q_DECLARE_INTERFACE(PLUMETPreferencesClient, PLUMETPreferencesClient_iid)
