#pragma once

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>

class AccountList;
class AddonSettingsWindow;
class Blog;
class BlogSettingsWindow;
class GeneralPreferencesWindow;
class ShortcutListWindow;

// The program's door to its preferences: the General window, the per-blog
// Settings window, the add-on settings and the add-on shortcut list. Windows
// are made on first use and hidden, never destroyed, until the program quits
// ("goingToQuitNotification"). An add-on opens its own page by posting
// "displaySettings" with its key under "key" in the user info.
class Preferences : public QObject {
    Q_OBJECT
public:
    static Preferences& sharedInstance();

    // The accounts the Settings window offers, and the file they are saved to
    // when it closes (AccountList::defaultPath() when empty).
    void setAccountList(AccountList* accounts, const QString& path = {});
    // The Add-ons menu whose items get the stored shortcuts.
    void setAddonsMenu(QMenu* menu);

    // Preferences… in the application menu.
    void showGeneral();
    // Blog Settings…: on the blog (and its account), else the first account.
    void showBlogSettings(Blog* blog = nullptr);
    // Add-on Settings…; with a key, that add-on's page.
    void showAddonSettings(const QString& key = {});
    void showShortcuts();

    GeneralPreferencesWindow* generalWindow();
    BlogSettingsWindow* blogSettingsWindow();
    AddonSettingsWindow* addonSettingsWindow();
    ShortcutListWindow* shortcutListWindow();

    // Closes the windows; the next use makes them afresh.
    void cleanUp();

private:
    Preferences();
    void saveAccounts();
    void reloadAccounts();

    QPointer<AccountList> m_accounts;
    QString m_accountsPath;
    QPointer<QMenu> m_addonsMenu;
    QPointer<GeneralPreferencesWindow> m_general;
    QPointer<BlogSettingsWindow> m_blogSettings;
    QPointer<AddonSettingsWindow> m_addonSettings;
    QPointer<ShortcutListWindow> m_shortcuts;
};
