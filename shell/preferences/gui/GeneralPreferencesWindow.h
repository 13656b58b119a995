#pragma once

#include <QVariantMap>
#include <QWidget>

class DefaultsBinding;
class NotificationCenter;
class UserDefaults;

// The General preferences: start-up, saving, editing, entries and list colours.
// Every control writes its preference the moment it changes. Closing only
// hides the window.
class GeneralPreferencesWindow : public QWidget {
    Q_OBJECT
public:
    // `factory` is the factory table registered at start-up (for the list
    // colours the Factory Settings button puts back).
    GeneralPreferencesWindow(UserDefaults& defaults, NotificationCenter& center,
                             const QVariantMap& factory, QWidget* parent = nullptr);

    const DefaultsBinding& binding() const { return *m_binding; }

    // The Factory Settings button.
    void factorySettings();

private:
    QWidget* makeStartupPage();
    QWidget* makeEditingPage();
    QWidget* makeEntriesPage();

    UserDefaults& m_defaults;
    NotificationCenter& m_center;
    QVariantMap m_factory;
    DefaultsBinding* m_binding;
};
