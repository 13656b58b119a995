#pragma once

#include "AccountDetails.h"
#include "AccountList.h"
#include "AccountRefreshRoad.h"
#include "Clock.h"

#include <QObject>
#include <QPointer>
#include <QVariantList>
#include <chrono>
#include <memory>

class AccountAutoSave;
class AccountRefreshSheet;
class AccountSheet;
class AccountToolbar;
class AccountsTableModel;
class AccountsWindow;

class GuardedSelectionModel;
class ImportWindow;
class Job;
class NewAccountWizard;
class QMessageBox;
class ToolbarController;

// Keeps the program's accounts: loads and saves "accounts.plist", saves
// accounts and entries every "autoSave" minutes, tells the windows when the
// list changed ("forceReload"), and runs the accounts window: the table of
// accounts, the details of the selected one (edited on a working copy until
// saved), its sheet for refreshes, errors and the new-account wizard, and
// the import of the previous version's entries. The autosave is its
// AccountAutoSave, the refresh in the sheet its AccountRefreshSheet.
//
// For the application:
//   AccountController::sharedInstance().loadAccounts(AccountList::defaultPath());
//   ...showWindow() (the Accounts command), configureAccount() (New Account,
//   and the first run), handleOldPlumet(entries), cleanUp() at quit.
class AccountController : public QObject {
    Q_OBJECT
public:
    static AccountController& sharedInstance();
    static bool instanceExists();
    // At quit: stops the timer, closes the windows, saves accounts and
    // entries, and lets the instance go.
    static void cleanUp();

    explicit AccountController(QObject* parent = nullptr);
    ~AccountController() override;

    // --- the list and its file ---
    AccountList& accountList() { return m_list; }
    QList<AccountPtr> accounts() const { return m_list.accounts(); }
    // Loads the file (or a first run's empty list) and remembers where it
    // is; always ends with "accountsDone".
    void loadAccounts(const QString& path);
    QString accountsPath() const { return m_path; }
    // Writes "accounts.plist"; false, logged, with the reason in *error, when
    // it could not.
    bool saveAccounts(QString* error = nullptr);
    // Hands every blog's changed entries to the writer; false, logged, with
    // the first failure (of this save or of an earlier write) in *error.
    bool saveEntries(QString* error = nullptr);
    // Accounts, then entries.
    bool save();
    // Accounts and entries, waiting until every entry file is on disk: the
    // quit's last word. False, logged, with the first reason in *error.
    bool saveAndWait(QString* error = nullptr);
    // An account already listed moves; an index out of range appends.
    void insertAccount(const AccountPtr& account, int index);
    void removeAccount(Account* account);
    Account* accountForID(const QString& accountID) const { return m_list.accountForID(accountID); }
    // The first account other than `ignore` titled `title`.
    Account* accountForName(const QString& title, const Account* ignore) const;
    bool hasAccountAndBlog() const { return m_list.hasAccountAndBlog(); }

    // The account the main window's outline has selected.
    Account* selectedAccount() const;
    void setSelectedAccount(Account* account);

    // Saves the accounts and posts "forceReload" with the object.
    void broadcastChange(QObject* object = nullptr);

    // --- the window ---
    void loadUI();
    void showWindow();
    AccountsWindow* window() const;
    AccountSheet* sheet() const { return m_sheet; }
    NewAccountWizard* wizard() const { return m_wizard; }
    ToolbarController* toolbar() const { return m_toolbar; }
    ImportWindow* importWindow() const;
    AccountsTableModel* tableModel() const { return m_model.get(); }
    // The "Save changes?" alert while it asks.
    QWidget* saveChangesAlert() const;
    // The account selected in the accounts table.
    Account* tableAccount() const;
    void selectAccount(Account* account);

    // The working copy the details box edits.
    const AccountDetails& dummy() const { return m_dummy; }
    bool needsSave() const { return m_needsSave; }
    QString errorMessage() const;

    // --- actions ---
    void newAccount();
    // Takes the details' address, plug-in, user and password into the
    // selected account and updates it from its server in the sheet.
    void saveAccount();
    void deleteAccount();
    // Title (made unique) and label of the details into the selected account.
    void applyDummyChanges();
    void dummyChanged();
    void accountHelp();
    void getMore();
    // The new-account wizard.
    void configureAccount();
    // The import window for the previous version's entries.
    void handleOldPlumet(const QVariantList& entries);

    // Refreshes the account in the sheet. A new account (from the wizard)
    // joins the list, and its passwords the keychain, only when its first
    // refresh succeeds. A failure stays in the sheet; a success that has
    // something to tell (blogs gone from the server, where their drafts
    // went) says it there before the sheet closes; a refresh stopped from
    // below (the login sheet cancelled) closes the sheet.
    void startAccountUpdate(const AccountPtr& account, bool isNew = false);
    void accountUpdateDone(const RefreshEnd& end);

    // The autosave: the clock that times it (tests hand in their own), the
    // period now in force, and one autosave as the timer runs it.
    void setClock(Clock* clock);
    // The road that refreshes accounts (the program's own unless set).
    void setRefreshRoad(AccountRefreshRoad road);
    std::chrono::seconds autoSavePeriod() const;
    void autoSave(bool fromTimer);
    // The alert that tells of an autosave that failed, while it is open.
    QMessageBox* autoSaveAlert() const;

signals:
    void selectedAccountChanged(Account* account);
    void needsSaveChanged(bool needsSave);

private:
    void scheduleBroadcast();
    void tableSelectionChanged();
    bool shouldSelectRow(int proposedRow);
    void showDetails(Account* account);
    void fillDetailsBox();
    void setNeedsSave(bool needsSave);
    void clearDummy();
    void sheetDidEnd(int code);
    void removeDeletedAccount(const AccountPtr& account);

    AccountList m_list;
    QString m_path;
    std::unique_ptr<AccountsTableModel> m_model;
    QPointer<AccountsWindow> m_window;
    GuardedSelectionModel* m_selection = nullptr;
    AccountSheet* m_sheet = nullptr;
    NewAccountWizard* m_wizard = nullptr;
    std::unique_ptr<AccountToolbar> m_toolbarItems;
    ToolbarController* m_toolbar = nullptr;
    QPointer<ImportWindow> m_importWindow;
    QPointer<QWidget> m_saveAlert;

    AccountDetails m_dummy = AccountDetails::cleared();
    bool m_needsSave = false;
    QPointer<Account> m_selectedAccount;
    bool m_broadcastPending = false;

    std::unique_ptr<AccountAutoSave> m_autoSave;
    std::unique_ptr<AccountRefreshSheet> m_refresh;
};
