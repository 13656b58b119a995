#pragma once

#include "AccountRefreshRoad.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

class Account;
class AccountController;
class AccountSheet;
class NewAccountWizard;
using AccountPtr = std::shared_ptr<Account>;

// Refreshes an account in the accounts window's sheet: progress and status
// while it runs, the error or notice it ends with, and a new account's joining
// the list once its first refresh succeeds.
class AccountRefreshSheet : public QObject {
    Q_OBJECT
public:
    explicit AccountRefreshSheet(AccountController& controller, QObject* parent = nullptr);
    ~AccountRefreshSheet() override;

    // The accounts window's sheet and the new-account wizard shown in it.
    void setSheet(AccountSheet* sheet, NewAccountWizard* wizard);
    // The road that refreshes accounts (the program's own unless set).
    void setRoad(AccountRefreshRoad road) { m_road = std::move(road); }

    void start(const AccountPtr& account, bool isNew);
    void done(const RefreshEnd& end);
    // An account leaves the list: its refresh, when it runs, stops.
    void cancel(const AccountPtr& account);
    // The sheet closed: whatever still runs stops, the wizard with it.
    void sheetEnded();

    QString errorMessage() const { return m_errorMessage; }
    void clearErrorMessage() { m_errorMessage.clear(); }

private:
    void newAccountFailed();
    void endProgressSheet();
    void bindStatus(Account* account);
    void unbindStatus();

    AccountController& m_controller;
    AccountSheet* m_sheet = nullptr;
    NewAccountWizard* m_wizard = nullptr;
    AccountRefreshRoad m_road = AccountRefreshRoad::refreshJobRoad();
    AccountPtr m_criticalAccount;
    AccountPtr m_newAccount;
    QString m_errorMessage;
    QList<QMetaObject::Connection> m_statusBindings;
    QPointer<QObject> m_progressContext;
};
