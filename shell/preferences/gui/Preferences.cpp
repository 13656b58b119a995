#include "Preferences.h"

#include "Account.h"
#include "AccountList.h"
#include "AddonManager.h"
#include "AddonSettingsWindow.h"
#include "Blog.h"
#include "BlogSettingsWindow.h"
#include "FactoryDefaults.h"
#include "GeneralPreferencesWindow.h"
#include "NotificationCenter.h"
#include "ShortcutListWindow.h"
#include "UserDefaults.h"

#include <QApplication>
#include <QMessageBox>

Preferences& Preferences::sharedInstance()
{
    static Preferences* instance = new Preferences;
    return *instance;
}

Preferences::Preferences()
{
    NotificationCenter& center = NotificationCenter::sharedInstance();
    center.observe(QStringLiteral("goingToQuitNotification"), this,
                   [this](const Notification&) { cleanUp(); });
    center.observe(QStringLiteral("forceReload"), this,
                   [this](const Notification&) { reloadAccounts(); });
    center.observe(QStringLiteral("displaySettings"), this, [this](const Notification& note) {
        showAddonSettings(note.userInfo.value(QStringLiteral("key")).toString());
    });
}

void Preferences::setAccountList(AccountList* accounts, const QString& path)
{
    if (m_accounts)
        disconnect(m_accounts, nullptr, this, nullptr);
    m_accounts = accounts;
    m_accountsPath = path;
    if (m_accounts)
        connect(m_accounts, &AccountList::accountsChanged, this, &Preferences::reloadAccounts);
    reloadAccounts();
}

void Preferences::setAddonsMenu(QMenu* menu)
{
    m_addonsMenu = menu;
    shortcutListWindow()->setAddonsMenu(menu);
}

GeneralPreferencesWindow* Preferences::generalWindow()
{
    if (!m_general)
        m_general = new GeneralPreferencesWindow(UserDefaults::sharedInstance(),
                                                 NotificationCenter::sharedInstance(),
                                                 FactoryDefaults::values());
    return m_general;
}

BlogSettingsWindow* Preferences::blogSettingsWindow()
{
    if (!m_blogSettings) {
        m_blogSettings = new BlogSettingsWindow(UserDefaults::sharedInstance(),
                                                NotificationCenter::sharedInstance());
        m_blogSettings->setSaveAccounts([this] { saveAccounts(); });
        reloadAccounts();
    }
    return m_blogSettings;
}

AddonSettingsWindow* Preferences::addonSettingsWindow()
{
    if (!m_addonSettings) {
        m_addonSettings =
            new AddonSettingsWindow(AddonSettingsWindow::pagesOf(AddonManager::sharedInstance()));
        connect(m_addonSettings, &AddonSettingsWindow::shortcutsRequested, this,
                &Preferences::showShortcuts);
    }
    return m_addonSettings;
}

ShortcutListWindow* Preferences::shortcutListWindow()
{
    if (!m_shortcuts) {
        m_shortcuts = new ShortcutListWindow(UserDefaults::sharedInstance());
        m_shortcuts->setAddonsMenu(m_addonsMenu);
    }
    return m_shortcuts;
}

void Preferences::showGeneral()
{
    GeneralPreferencesWindow* window = generalWindow();
    window->show();
    window->raise();
    window->activateWindow();
}

void Preferences::showBlogSettings(Blog* blog)
{
    BlogSettingsWindow* window = blogSettingsWindow();
    Account* account = blog ? blog->account() : nullptr;
    if (!account && m_accounts && !m_accounts->accounts().isEmpty())
        account = m_accounts->accounts().first().get();
    window->showFor(account, blog);
}

void Preferences::showAddonSettings(const QString& key)
{
    if (key.isEmpty())
        addonSettingsWindow()->addonSettings();
    else
        addonSettingsWindow()->displaySettings(key);
}

void Preferences::showShortcuts()
{
    shortcutListWindow()->showList();
}

void Preferences::reloadAccounts()
{
    if (m_blogSettings)
        m_blogSettings->setAccounts(m_accounts ? m_accounts->accounts() : QList<AccountPtr>());
}

void Preferences::saveAccounts()
{
    if (!m_accounts)
        return;
    const QString path = m_accountsPath.isEmpty() ? AccountList::defaultPath() : m_accountsPath;
    QString error;
    if (m_accounts->saveAccounts(path, &error))
        return;
    // Reported without blocking: the settings stay in memory and are saved
    // with the accounts' next save.
    auto* box = new QMessageBox(QMessageBox::Warning, tr("Blog Settings"),
                                tr("The blog settings could not be saved."), QMessageBox::Ok);
    box->setInformativeText(error);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void Preferences::cleanUp()
{
    for (QWidget* window :
         std::initializer_list<QWidget*>{m_general, m_blogSettings, m_addonSettings, m_shortcuts}) {
        if (window)
            window->deleteLater();
    }
    m_general.clear();
    m_blogSettings.clear();
    m_addonSettings.clear();
    m_shortcuts.clear();
}
