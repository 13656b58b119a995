#include "AccountController.h"

#include "Account.h"
#include "AccountAutoSave.h"
#include "AccountEditing.h"
#include "AccountRefreshSheet.h"
#include "AccountSheet.h"
#include "AccountToolbar.h"
#include "AccountsTableModel.h"
#include "AccountsWindow.h"
#include "AlertBox.h"
#include "ColorButton.h"
#include "ColorViewSync.h"
#include "DesktopLinks.h"
#include "GuardedSelectionModel.h"
#include "ImportWindow.h"
#include "Localization.h"
#include "MainWindowLog.h"
#include "NewAccountWizard.h"
#include "NotificationCenter.h"
#include "PluginManager.h"
#include "SupportPage.h"
#include "ToolbarController.h"
#include "UserDefaults.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

namespace {

AccountController* s_instance = nullptr;

QString ownText(const char* source)
{
    return localized("AccountController", source);
}

QString appText(const char* source)
{
    return localized("AppControl", source);
}

// A field's text as an account stores it: nothing for an empty field.
QString storedText(const QString& text)
{
    const QString trimmed = text.trimmed();
    return trimmed.isEmpty() ? QString() : trimmed;
}

} // namespace

AccountController& AccountController::sharedInstance()
{
    if (!s_instance)
        s_instance = new AccountController;
    return *s_instance;
}

bool AccountController::instanceExists()
{
    return s_instance != nullptr;
}

void AccountController::cleanUp()
{
    if (!s_instance)
        return;
    AccountController* controller = s_instance;
    s_instance = nullptr;
    NotificationCenter::sharedInstance().removeObserver(controller);
    controller->m_autoSave->stop();
    if (controller->m_window)
        controller->m_window->close();
    if (controller->m_importWindow)
        controller->m_importWindow->close();
    controller->save();
    delete controller;
}

AccountController::AccountController(QObject* parent)
    : QObject(parent), m_path(AccountList::defaultPath()),
      m_autoSave(std::make_unique<AccountAutoSave>(*this)),
      m_refresh(std::make_unique<AccountRefreshSheet>(*this))
{
}

AccountController::~AccountController()
{
    if (s_instance == this)
        s_instance = nullptr;
    m_autoSave->stop();
    delete m_window.data();
    delete m_importWindow.data();
}

// --- the list and its file ---------------------------------------------------------

void AccountController::loadAccounts(const QString& path)
{
    m_path = path;
    QString report;
    m_list.loadAccounts(path, &report);
    if (!report.isEmpty())
        qCWarning(lcMainWindow).noquote() << report;
    m_autoSave->arm();
}

bool AccountController::saveAccounts(QString* error)
{
    QString reason;
    if (m_path.isEmpty() || !m_list.saveAccounts(m_path, &reason)) {
        if (reason.isEmpty())
            reason = ownText("The accounts have no file to be saved to.");
        qCWarning(lcMainWindow).noquote() << "The accounts could not be saved:" << reason;
        if (error)
            *error = reason;
        return false;
    }
    return true;
}

bool AccountController::saveEntries(QString* error)
{
    QString reason;
    if (!m_list.saveEntries(&reason)) {
        qCWarning(lcMainWindow).noquote() << "Entries could not be saved:" << reason;
        if (error)
            *error = reason;
        return false;
    }
    return true;
}

bool AccountController::save()
{
    const bool accounts = saveAccounts();
    const bool entries = saveEntries();
    return accounts && entries;
}

bool AccountController::saveAndWait(QString* error)
{
    QString accountsError;
    QString entriesError;
    const bool accounts = saveAccounts(&accountsError);
    bool entries = false;
    // A save also tells of writes of earlier saves that failed, and writes
    // them again: when the files are then all on disk, a second save tells
    // whether anything is left that could not be written.
    for (int round = 0; round < 2 && !entries; ++round) {
        const bool saved = saveEntries(&entriesError);
        QString flushError;
        if (!m_list.flushEntries(&flushError)) {
            qCWarning(lcMainWindow).noquote() << "Entries could not be saved:" << flushError;
            entriesError = flushError;
            break;
        }
        entries = saved;
    }
    if (accounts && entries)
        m_autoSave->forgetToldFailures();
    else if (error)
        *error = !accounts ? accountsError : entriesError;
    return accounts && entries;
}

void AccountController::insertAccount(const AccountPtr& account, int index)
{
    m_list.insertAccount(account, index);
    broadcastChange(nullptr);
}

void AccountController::removeAccount(Account* account)
{
    for (const AccountPtr& listed : m_list.accounts()) {
        if (listed.get() == account) {
            removeDeletedAccount(listed);
            return;
        }
    }
}

Account* AccountController::accountForName(const QString& title, const Account* ignore) const
{
    for (const AccountPtr& account : m_list.accounts())
        if (account.get() != ignore && account->title() == title)
            return account.get();
    return nullptr;
}

Account* AccountController::selectedAccount() const
{
    return m_selectedAccount.data();
}

void AccountController::setSelectedAccount(Account* account)
{
    if (m_selectedAccount == account)
        return;
    m_selectedAccount = account;
    emit selectedAccountChanged(account);
}

void AccountController::broadcastChange(QObject* object)
{
    saveAccounts();
    NotificationCenter::sharedInstance().post(QStringLiteral("forceReload"), object);
}

void AccountController::scheduleBroadcast()
{
    if (m_broadcastPending)
        return;
    m_broadcastPending = true;
    QTimer::singleShot(0, this, [this] {
        m_broadcastPending = false;
        broadcastChange(nullptr);
    });
}

// --- autosave -------------------------------------------------------------------------

void AccountController::setClock(Clock* clock)
{
    m_autoSave->setClock(clock);
}

std::chrono::seconds AccountController::autoSavePeriod() const
{
    return m_autoSave->period();
}

void AccountController::autoSave(bool fromTimer)
{
    m_autoSave->autoSave(fromTimer);
}

QMessageBox* AccountController::autoSaveAlert() const
{
    return m_autoSave->alert();
}

// --- the window -----------------------------------------------------------------------

void AccountController::loadUI()
{
    if (m_window)
        return;
    m_model = std::make_unique<AccountsTableModel>(m_list);
    m_window = new AccountsWindow(*m_model);
    m_window->setAttribute(Qt::WA_DeleteOnClose, false);
    QTableView* table = m_window->tableView();
    m_selection = new GuardedSelectionModel(m_model.get(), table);
    table->setSelectionModel(m_selection);
    m_selection->setGuard([this](int row) { return shouldSelectRow(row); });
    connect(m_selection, &QItemSelectionModel::selectionChanged, this,
            &AccountController::tableSelectionChanged);
    connect(m_model.get(), &QAbstractItemModel::modelReset, this,
            &AccountController::tableSelectionChanged);
    // A drop the table took, and a sort by a header, change the list's order.
    connect(m_model.get(), &QAbstractItemModel::rowsMoved, this,
            &AccountController::scheduleBroadcast);
    connect(table->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        QHeaderView* header = m_window->tableView()->horizontalHeader();
        const Qt::SortOrder order = header->isSortIndicatorShown() &&
                                            header->sortIndicatorSection() == column &&
                                            header->sortIndicatorOrder() == Qt::AscendingOrder
                                        ? Qt::DescendingOrder
                                        : Qt::AscendingOrder;
        header->setSortIndicatorShown(true);
        header->setSortIndicator(column, order);
        const QList<AccountPtr> before = m_list.accounts();
        m_model->sort(column, order);
        if (m_list.accounts() != before)
            broadcastChange(nullptr);
    });

    // The details box.
    connect(m_window->titleField(), &QLineEdit::editingFinished, this, [this] {
        m_dummy.title = m_window->titleField()->text();
        applyDummyChanges();
    });
    connect(m_window->labelButton(), &ColorButton::colorChosen, this, [this](const QColor& color) {
        m_dummy.label = rv::Color::fromQColor(color);
        applyDummyChanges();
    });
    connect(m_window->systemPopup(), &QComboBox::activated, this, [this] {
        m_dummy.pluginKey = m_window->systemPopup()->currentData().toString();
        dummyChanged();
    });
    connect(m_window->addressField(), &QLineEdit::textEdited, this, [this](const QString& text) {
        m_dummy.url = text;
        dummyChanged();
    });
    connect(m_window->userField(), &QLineEdit::textEdited, this, [this](const QString& text) {
        m_dummy.username = text;
        dummyChanged();
    });
    connect(m_window->passwordField(), &QLineEdit::textEdited, this, [this](const QString& text) {
        m_dummy.password = text;
        dummyChanged();
    });
    connect(m_window->updateButton(), &QPushButton::clicked, this, &AccountController::saveAccount);
    connect(m_window->helpButton(), &QPushButton::clicked, this, &AccountController::accountHelp);
    connect(m_window->moreButton(), &QPushButton::clicked, this, &AccountController::getMore);

    // The toolbar.
    m_toolbarItems = std::make_unique<AccountToolbar>(AccountToolbar::Actions{
        [this] { configureAccount(); },
        [this] { deleteAccount(); },
        [this] { newAccount(); },
        [this] { saveAccount(); },
        [this] { return tableAccount() != nullptr; },
    });
    m_toolbar =
        new ToolbarController(QLatin1String(AccountToolbar::identifier), *m_toolbarItems, m_window);

    // The sheet and the wizard in it.
    m_sheet = new AccountSheet(m_window);
    connect(m_sheet, &AccountSheet::ended, this, &AccountController::sheetDidEnd);
    m_wizard = new NewAccountWizard(*m_sheet, BlogSystems::fromResource(), this);
    m_refresh->setSheet(m_sheet, m_wizard);
    connect(m_wizard, &NewAccountWizard::accountConfigured, this,
            [this](const AccountPtr& account) { startAccountUpdate(account, true); });

    // The look the lists share.
    UserDefaults& defaults = UserDefaults::sharedInstance();
    m_window->applyListFontSize(defaults.real(QStringLiteral("listFontSize")));
    m_window->applyBackground(
        defaults.color(QLatin1String(ColorViewSync::preferenceKey), ColorViewSync::defaultColor)
            .toQColor());
    connect(&defaults, &UserDefaults::changed, this, [this](const QString& key) {
        if (key == QLatin1String("listFontSize") && m_window)
            m_window->applyListFontSize(
                UserDefaults::sharedInstance().real(QStringLiteral("listFontSize")));
    });
    const auto followColor = [this](const Notification& note) {
        const QVariant color = note.userInfo.value(QLatin1String(ColorViewSync::colorKey));
        if (m_window && color.canConvert<rv::Color>())
            m_window->applyBackground(color.value<rv::Color>().toQColor());
    };
    NotificationCenter& center = NotificationCenter::sharedInstance();
    center.observe(QLatin1String(ColorViewSync::colorChangedByLists), this, followColor);
    center.observe(QLatin1String(ColorViewSync::colorChangedBySidePanels), this, followColor);

    m_window->detailsBox()->hide();
    if (!m_autoSave->isArmed())
        m_autoSave->arm();
}

void AccountController::showWindow()
{
    loadUI();
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

AccountsWindow* AccountController::window() const
{
    return m_window;
}

ImportWindow* AccountController::importWindow() const
{
    return m_importWindow;
}

QWidget* AccountController::saveChangesAlert() const
{
    return m_saveAlert;
}

Account* AccountController::tableAccount() const
{
    return m_selection && m_model ? m_model->accountAt(m_selection->selectedRow()) : nullptr;
}

void AccountController::selectAccount(Account* account)
{
    if (!m_selection)
        return;
    const int row = m_model->rowOf(account);
    m_selection->selectRowUnguarded(row);
    if (row >= 0)
        m_window->tableView()->scrollTo(m_model->index(row, 0));
}

// --- the details box ---------------------------------------------------------------------

void AccountController::tableSelectionChanged()
{
    Account* account = tableAccount();
    showDetails(account);
    if (m_toolbar)
        m_toolbar->validateVisibleItems();
}

void AccountController::showDetails(Account* account)
{
    if (!account) {
        clearDummy();
        m_window->detailsBox()->hide();
        return;
    }
    m_dummy = AccountDetails::of(*account);
    setNeedsSave(false);
    fillDetailsBox();
    m_window->detailsBox()->show();
    if (!account->passwordsLoaded())
        account->loadPasswords(this, [this, shown = QPointer<Account>(account)] {
            // The keychain answered: show its password unless the user typed one meanwhile.
            if (!shown || tableAccount() != shown || !m_dummy.password.isEmpty())
                return;
            m_dummy.password = shown->password();
            if (m_window)
                m_window->passwordField()->setText(m_dummy.password);
            dummyChanged();
        });
}

void AccountController::fillDetailsBox()
{
    if (!m_window)
        return;
    m_window->titleField()->setText(m_dummy.title);
    m_window->labelButton()->setColor(m_dummy.label.toQColor());
    const PluginManager& drivers = PluginManager::sharedInstance();
    QList<QPair<QString, QString>> systems;
    for (const QString& key : drivers.pluginKeys())
        systems.append({key, drivers.displayNameForKey(key)});
    m_window->setPluginKeys(systems, m_dummy.pluginKey);
    m_window->addressField()->setText(m_dummy.url);
    m_window->userField()->setText(m_dummy.username);
    m_window->passwordField()->setText(m_dummy.password);
}

void AccountController::clearDummy()
{
    m_dummy = AccountDetails::cleared();
    setNeedsSave(false);
    fillDetailsBox();
}

void AccountController::setNeedsSave(bool needsSave)
{
    if (m_window)
        m_window->updateButton()->setDefault(needsSave);
    if (m_needsSave == needsSave)
        return;
    m_needsSave = needsSave;
    emit needsSaveChanged(needsSave);
}

void AccountController::dummyChanged()
{
    Account* account = tableAccount();
    if (!account)
        return;
    setNeedsSave(AccountEditing::needsSave(AccountDetails::of(*account), m_dummy));
}

void AccountController::applyDummyChanges()
{
    Account* account = tableAccount();
    if (!account)
        return;
    QStringList taken;
    for (const AccountPtr& other : m_list.accounts())
        if (other.get() != account)
            taken.append(other->title());
    const QString title = AccountEditing::uniqueTitle(m_dummy.title, taken);
    m_dummy.title = title;
    if (m_window && m_window->titleField()->text() != title)
        m_window->titleField()->setText(title);
    if (account->title() == title && account->label() == m_dummy.label)
        return;
    account->setTitle(title);
    account->setLabel(m_dummy.label);
    broadcastChange(account);
}

bool AccountController::shouldSelectRow(int proposedRow)
{
    if (!m_needsSave)
        return true;
    if (m_saveAlert)
        return false;
    QMessageBox* alert = cutils::makeAlert(
        QMessageBox::Critical, appText("Save changes?"),
        appText("The modifications to the current account have not been saved. Save changes?"),
        m_window);
    alert->setObjectName(QStringLiteral("saveChangesAlert"));
    QPushButton* saveButton = alert->addButton(appText("Save"), QMessageBox::AcceptRole);
    alert->addButton(appText("Don't Save"), QMessageBox::DestructiveRole);
    alert->setDefaultButton(saveButton);
    alert->setWindowModality(Qt::WindowModal);
    m_saveAlert = alert;
    connect(alert, &QDialog::finished, this, [this, alert, saveButton, proposedRow] {
        const bool save = alert->clickedButton() == saveButton;
        setNeedsSave(false);
        if (save)
            saveAccount();
        m_selection->selectRowUnguarded(proposedRow);
    });
    alert->open();
    return false;
}

// --- actions ----------------------------------------------------------------------------

void AccountController::newAccount()
{
    loadUI();
    AccountPtr account = Account::create();
    m_list.insertAccount(account, -1);
    selectAccount(account.get());
    m_window->titleField()->setFocus();
    m_window->titleField()->selectAll();
    broadcastChange(nullptr);
}

void AccountController::saveAccount()
{
    Account* selected = tableAccount();
    if (!selected)
        return;
    AccountPtr account;
    for (const AccountPtr& listed : m_list.accounts())
        if (listed.get() == selected)
            account = listed;
    // Address and user name first: the password follows them into the keychain.
    account->setUrl(storedText(m_dummy.url));
    account->setPluginKey(m_dummy.pluginKey);
    account->setUsername(storedText(m_dummy.username));
    // A password still unread from the keychain is not an empty one.
    if (account->passwordsLoaded() || !m_dummy.password.isEmpty())
        account->setPassword(m_dummy.password);
    m_dummy.url = account->url();
    setNeedsSave(false);
    account->setStatus(localized("Account", "Updating account"));
    startAccountUpdate(account);
}

void AccountController::deleteAccount()
{
    Account* selected = tableAccount();
    if (!selected)
        return;
    QMessageBox* alert = cutils::makeAlert(
        QMessageBox::Critical, ownText("Delete?"),
        ownText("Are you sure you want to delete the selected account?"), m_window);
    alert->setObjectName(QStringLiteral("deleteAlert"));
    QPushButton* yes = alert->addButton(appText("Yes"), QMessageBox::DestructiveRole);
    QPushButton* no = alert->addButton(appText("No"), QMessageBox::RejectRole);
    alert->setDefaultButton(no);
    alert->setEscapeButton(no);
    alert->setWindowModality(Qt::WindowModal);
    const QPointer<Account> guard(selected);
    connect(alert, &QDialog::finished, this, [this, alert, yes, guard] {
        if (alert->clickedButton() != yes || !guard)
            return;
        removeAccount(guard.data());
    });
    alert->open();
}

void AccountController::removeDeletedAccount(const AccountPtr& account)
{
    m_refresh->cancel(account);
    // Its passwords leave with it, unless another account logs in the same way.
    int secrets = int(Account::Secrets::Both);
    for (const AccountPtr& other : m_list.accounts()) {
        if (other == account || other->url() != account->url())
            continue;
        if (!account->username().isEmpty() && other->username() == account->username())
            secrets &= ~int(Account::Secrets::Login);
        if (!account->authUsername().isEmpty() && other->authUsername() == account->authUsername())
            secrets &= ~int(Account::Secrets::Authentication);
    }
    if (secrets)
        account->removePasswords(Account::Secrets(secrets));
    if (m_selectedAccount == account.get())
        setSelectedAccount(nullptr);
    // Its entry folder stays: it may hold drafts that were never published.
    m_list.removeAccount(account.get());
    if (m_window)
        tableSelectionChanged();
    broadcastChange(nullptr);
}

void AccountController::accountHelp()
{
    QUrl help = SupportPage::address();
    help.setFragment(QStringLiteral("account_anchor"));
    DesktopLinks::open(help);
}

void AccountController::getMore()
{
    DesktopLinks::open(SupportPage::address().resolved(QUrl(QStringLiteral("plugins/"))));
}

void AccountController::configureAccount()
{
    loadUI();
    if (m_sheet->isVisible())
        return;
    m_selection->selectRowUnguarded(-1);
    m_refresh->clearErrorMessage();
    m_wizard->start();
}

void AccountController::handleOldPlumet(const QVariantList& entries)
{
    if (!m_importWindow)
        m_importWindow = new ImportWindow(m_list);
    m_importWindow->handleOldPlumet(entries);
}

// --- refreshing in the sheet ---------------------------------------------------------------

void AccountController::startAccountUpdate(const AccountPtr& account, bool isNew)
{
    loadUI();
    m_refresh->start(account, isNew);
}

void AccountController::accountUpdateDone(const RefreshEnd& end)
{
    m_refresh->done(end);
}

QString AccountController::errorMessage() const
{
    return m_refresh->errorMessage();
}

void AccountController::setRefreshRoad(AccountRefreshRoad road)
{
    m_refresh->setRoad(std::move(road));
}

void AccountController::sheetDidEnd(int code)
{
    Q_UNUSED(code);
    m_refresh->sheetEnded();
    if (!tableAccount())
        clearDummy();
    if (m_toolbar)
        m_toolbar->validateVisibleItems();
}
