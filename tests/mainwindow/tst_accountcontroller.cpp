#include "Account.h"
#include "AccountController.h"
#include "AccountList.h"
#include "AccountSheet.h"
#include "AccountsTableModel.h"
#include "AccountsWindow.h"
#include "Blog.h"
#include "DarkPalette.h"
#include "DraftRegistry.h"
#include "Entry.h"
#include "EntryFileWriter.h"
#include "FileSizeLimit.h"
#include "KeyChain.h"
#include "ManualClock.h"
#include "NotificationCenter.h"
#include "PaletteColors.h"
#include "PluginManager.h"
#include "ScreenshotSaver.h"
#include "TestSecretService.h"
#include "ToolbarController.h"
#include "ToolbarCustomizeDialog.h"
#include "UserDefaults.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <sys/stat.h>

using namespace plumet::test;

// The accounts window over a real keyring on a private session bus; the
// refresh road is one the test answers itself.
namespace {

QString stored(const QString& url, const QString& user, const char* label = "plumet")
{
    // Once every keychain call asked for has ended.
    QTest::qWaitFor([] { return KeyChain::sharedInstance().pendingCalls() == 0; }, 15000);
    return KeyChain::sharedInstance().genericPassword(
        QStringLiteral("%1 : %2").arg(QLatin1String(label), url), user);
}

// A refresh road whose refreshes end when the test says so.
struct RefreshDouble {
    QList<Account*> started;
    QList<Account*> cancelled;
    AccountRefreshRoad::Done done;

    AccountRefreshRoad road()
    {
        AccountRefreshRoad road;
        road.start = [this](Account& account, AccountRefreshRoad::Done finish) {
            started.append(&account);
            done = std::move(finish);
            return true;
        };
        road.cancel = [this](Account& account) {
            cancelled.append(&account);
            done = nullptr;
        };
        road.watch = [](Account&, QObject*, AccountRefreshRoad::Progress) {};
        return road;
    }
    void finish(const RefreshEnd& end)
    {
        if (auto finish = std::exchange(done, nullptr))
            finish(end);
    }
    void finish(const QString& message)
    {
        finish(message.isEmpty() ? RefreshEnd() : RefreshEnd::failed(message));
    }
};

QMessageBox* openAlert(const char* name)
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QLatin1String(name) && widget->isVisible())
            return qobject_cast<QMessageBox*>(widget);
    return nullptr;
}

QAbstractButton* alertButton(QMessageBox* alert, const QString& text)
{
    for (QAbstractButton* button : alert->buttons())
        if (button->text() == text)
            return button;
    return nullptr;
}

AccountPtr makeAccount(const QString& title, const QString& url, const QString& user,
                       const QString& password)
{
    AccountPtr account = Account::create();
    account->setTitle(title);
    account->setPluginKey(QStringLiteral("MetaWeblog"));
    account->setUrl(url);
    account->setUsername(user);
    account->setPassword(password);
    return account;
}

// Open drafts that say when the autosave asked them to save.
struct DraftsDouble : DraftRegistry {
    QStringList* events = nullptr;
    QObject* hasOpenDraft(const Entry*) const override { return nullptr; }
    void reloadEntry(QObject*) override {}
    void openDrafts(const QList<Entry*>&) override {}
    void openDraftForEntry(Entry*, const QVariant&) override {}
    void saveIfNeeded(std::function<void()> done) override
    {
        events->append(QStringLiteral("drafts"));
        done();
    }
};

QString storedTitle(const QString& path)
{
    AccountList list;
    list.loadAccounts(path);
    return list.accounts().isEmpty() ? QString() : list.accounts().first()->title();
}

} // namespace

class tst_AccountController : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void saveLoadRoundTripAfterEditsReorderAndDelete();
    void titleAndLabelApplyAtOnceButServerFieldsWaitForSave();
    void blogSystemsShowByTheNamesOfTheirBundles();
    void unsavedChangesAskBeforeTheSelectionMoves_data();
    void unsavedChangesAskBeforeTheSelectionMoves();
    void refreshSheetShowsStatusAndCancels();
    void refreshErrorStaysInTheSheetAndIsNotBroadcast();
    void refreshThatChangesNothingLeavesTheFileAlone();
    void keptDraftsAreToldBeforeTheSheetCloses();
    void refreshStoppedFromBelowClosesTheSheet();
    void toolbarFollowsTheSelection();
    void loadingAMissingFileStillAnnouncesTheAccounts();
    void autosaveFollowsThePreferences_data();
    void autosaveFollowsThePreferences();
    void autosaveFailuresAreToldOncePerCause_data();
    void autosaveFailuresAreToldOncePerCause();
    void fullDiskIsToldOnceInWords();
    void windowAndWizardReadInADarkPalette();

private:
    // Lists Work, selects it and starts its update in the sheet.
    AccountPtr updateSelectedAccount();

    AccountController* controller = nullptr;
    RefreshDouble refresh;
    QString path;
    plumet::test::TestKeyring keyring;
};

void tst_AccountController::initTestCase()
{
    QString error;
    QVERIFY2(keyring.start(&error), qPrintable(error));
}

void tst_AccountController::init()
{
    path = QDir::home().filePath(
        QStringLiteral("accounts-%1.plist").arg(QTest::currentTestFunction()));
    QFile::remove(path);
    refresh = RefreshDouble();
    controller = &AccountController::sharedInstance();
    controller->setRefreshRoad(refresh.road());
    controller->loadAccounts(path);
}

void tst_AccountController::cleanup()
{
    AccountController::cleanUp();
    controller = nullptr;
}

AccountPtr tst_AccountController::updateSelectedAccount()
{
    controller->loadUI();
    const AccountPtr work = makeAccount("Work", "https://work.example/xmlrpc.php", "ann", "pw");
    controller->insertAccount(work, -1);
    controller->showWindow();
    controller->selectAccount(work.get());
    controller->saveAccount();
    return work;
}

void tst_AccountController::saveLoadRoundTripAfterEditsReorderAndDelete()
{
    controller->loadUI();
    const AccountPtr work = makeAccount("Work", "https://work.example/xmlrpc.php", "ann", "w-pw");
    const AccountPtr home = makeAccount("Home", "https://home.example/xmlrpc.php", "ann", "h-pw");
    home->setAuthUsername(QStringLiteral("gate"));
    home->setAuthPassword(QStringLiteral("gate-pw"));
    const AccountPtr club = makeAccount("Club", "https://club.example/xmlrpc.php", "cy", "c-pw");
    controller->insertAccount(work, -1);
    controller->insertAccount(home, -1);
    controller->insertAccount(club, 7); // out of range: appended
    QCOMPARE(controller->accounts(), (QList<AccountPtr>{work, home, club}));

    // Renaming Club to the title of another account makes it unique.
    controller->selectAccount(club.get());
    controller->window()->titleField()->setText(QStringLiteral("Work"));
    emit controller->window()->titleField()->editingFinished();
    QCOMPARE(club->title(), QStringLiteral("Work 1"));
    QCOMPARE(controller->window()->titleField()->text(), QStringLiteral("Work 1"));

    // Dragging Club to the top.
    QVERIFY(controller->tableModel()->moveRows({}, 2, 1, {}, 0));
    QCOMPARE(controller->accounts(), (QList<AccountPtr>{club, work, home}));

    // Deleting Home: its folder of entries stays, its keychain items go.
    const QString homeFolder = home->accountDirectory();
    QVERIFY(!homeFolder.isEmpty() && QDir(homeFolder).exists());
    QCOMPARE(stored(home->url(), "ann"), QStringLiteral("h-pw"));
    QCOMPARE(stored(home->url(), "gate", "plumet(auth)"), QStringLiteral("gate-pw"));
    controller->selectAccount(home.get());
    controller->deleteAccount();
    QMessageBox* alert = openAlert("deleteAlert");
    QVERIFY(alert);
    QCOMPARE(alert->text(), QStringLiteral("<b>Delete?</b>"));
    QCOMPARE(alert->informativeText(),
             QStringLiteral("Are you sure you want to delete the selected account?"));
    saveScreenshot(controller->window(), QStringLiteral("accounts-delete-alert"));
    saveScreenshot(alert, QStringLiteral("accounts-delete-alert-box"));
    alertButton(alert, QStringLiteral("Yes"))->click();
    QCOMPARE(controller->accounts(), (QList<AccountPtr>{club, work}));
    QCOMPARE(stored(home->url(), "ann"), QString());
    QCOMPARE(stored(home->url(), "gate", "plumet(auth)"), QString());
    QVERIFY(QDir(homeFolder).exists());
    QCOMPARE(stored(work->url(), "ann"), QStringLiteral("w-pw"));
    QVERIFY(controller->window()->detailsBox()->isHidden());

    // "No" keeps the account.
    controller->selectAccount(work.get());
    controller->deleteAccount();
    alertButton(openAlert("deleteAlert"), QStringLiteral("No"))->click();
    QCOMPARE(controller->accounts().size(), 2);

    // Every change was written: a fresh list reads the same accounts back.
    AccountList reread;
    reread.loadAccounts(path);
    QCOMPARE(reread.accounts().size(), 2);
    QCOMPARE(reread.accounts().at(0)->accountID(), club->accountID());
    QCOMPARE(reread.accounts().at(0)->title(), QStringLiteral("Work 1"));
    QCOMPARE(reread.accounts().at(1)->accountID(), work->accountID());
    bool read = false;
    QObject waiter;
    reread.accounts().at(1)->loadPasswords(&waiter, [&read] { read = true; });
    QTRY_VERIFY_WITH_TIMEOUT(read, 15000);
    QCOMPARE(reread.accounts().at(1)->password(), QStringLiteral("w-pw"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(!file.readAll().contains("w-pw"));
}

void tst_AccountController::titleAndLabelApplyAtOnceButServerFieldsWaitForSave()
{
    controller->loadUI();
    const AccountPtr work = makeAccount("Work", "https://work.example/xmlrpc.php", "ann", "pw");
    controller->insertAccount(work, -1);
    controller->showWindow();
    QVERIFY(controller->window()->detailsBox()->isHidden());
    controller->selectAccount(work.get());
    AccountsWindow* window = controller->window();
    QVERIFY(!window->detailsBox()->isHidden());
    QCOMPARE(window->addressField()->text(), work->url());
    QCOMPARE(window->passwordField()->text(), QStringLiteral("pw"));
    saveScreenshot(window, QStringLiteral("accounts-window"));

    int reloads = 0;
    NotificationCenter::sharedInstance().observe(QStringLiteral("forceReload"), this,
                                                 [&](const Notification&) { ++reloads; });
    window->titleField()->setText(QStringLiteral("Day job"));
    emit window->titleField()->editingFinished();
    QCOMPARE(work->title(), QStringLiteral("Day job"));
    QVERIFY(!controller->needsSave());
    QCOMPARE(reloads, 1);

    // The password waits in the working copy until Update.
    window->passwordField()->setText(QString());
    QTest::keyClicks(window->passwordField(), QStringLiteral("new-pw"));
    QVERIFY(controller->needsSave());
    QCOMPARE(stored(work->url(), "ann"), QStringLiteral("pw"));
    window->updateButton()->click();
    QVERIFY(!controller->needsSave());
    QCOMPARE(stored(work->url(), "ann"), QStringLiteral("new-pw"));
    QCOMPARE(refresh.started, QList<Account*>{work.get()});
    QCOMPARE(work->status(), QStringLiteral("Updating account"));
    refresh.finish(QString());
    QVERIFY(!controller->sheet()->isVisible());
    NotificationCenter::sharedInstance().removeObserver(this);
}

void tst_AccountController::blogSystemsShowByTheNamesOfTheirBundles()
{
    PluginManager& drivers = PluginManager::sharedInstance();
    drivers.setBuiltInFolder(QStringLiteral(PLUMET_PLUGIN_FOLDER));
    drivers.setUserFolder(QString());
    drivers.loadPlugins();
    QVERIFY(drivers.pluginForKey(QStringLiteral("Wordpress")));
    controller->loadUI();
    const AccountPtr work = makeAccount("Work", "https://work.example/xmlrpc.php", "ann", "pw");
    work->setPluginKey(QStringLiteral("Wordpress"));
    // A key no bundle answers to is shown as it is, never lost.
    const AccountPtr old = makeAccount("Old", "https://old.example/xmlrpc.php", "ann", "pw");
    old->setPluginKey(QStringLiteral("Gone"));
    controller->insertAccount(work, -1);
    controller->insertAccount(old, -1);
    controller->showWindow();
    AccountsTableModel* model = controller->tableModel();
    const auto shown = [model](int row) {
        return model->index(row, AccountsTableModel::SystemColumn).data().toString();
    };
    QCOMPARE(shown(0), QStringLiteral("WordPress"));
    QCOMPARE(shown(1), QStringLiteral("Gone"));

    controller->selectAccount(work.get());
    QComboBox* popup = controller->window()->systemPopup();
    QCOMPARE(popup->currentText(), QStringLiteral("WordPress"));
    QVERIFY(popup->findText(QStringLiteral("Wordpress")) < 0);
    QCOMPARE(popup->count(), drivers.pluginKeys().size());
    saveScreenshot(controller->window(), QStringLiteral("accounts-window-systems"));
    // Choosing by name stores the key.
    const int movableType = popup->findText(QStringLiteral("Movable Type 4"));
    QVERIFY(movableType >= 0);
    popup->setCurrentIndex(movableType);
    emit popup->activated(movableType);
    QVERIFY(controller->needsSave());
    controller->window()->updateButton()->click();
    QCOMPARE(work->pluginKey(), QStringLiteral("MovableType 4"));
    QCOMPARE(shown(0), QStringLiteral("Movable Type 4"));
    refresh.finish(QString());

    controller->selectAccount(old.get());
    QCOMPARE(popup->currentText(), QStringLiteral("Gone"));
    QCOMPARE(popup->currentData().toString(), QStringLiteral("Gone"));
    QVERIFY(!controller->needsSave());
}

void tst_AccountController::unsavedChangesAskBeforeTheSelectionMoves_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("saved");
    QTest::newRow("save") << "Save" << true;
    QTest::newRow("don't save") << "Don't Save" << false;
}

void tst_AccountController::unsavedChangesAskBeforeTheSelectionMoves()
{
    QFETCH(QString, answer);
    QFETCH(bool, saved);
    controller->loadUI();
    const AccountPtr work = makeAccount("Work", "https://work.example/xmlrpc.php", "ann", "pw");
    const AccountPtr home = makeAccount("Home", "https://home.example/xmlrpc.php", "bo", "pw2");
    controller->insertAccount(work, -1);
    controller->insertAccount(home, -1);
    controller->showWindow();
    controller->selectAccount(work.get());
    AccountsWindow* window = controller->window();
    QTest::keyClicks(window->userField(), QStringLiteral("x"));
    QVERIFY(controller->needsSave());

    // A click on Home is held back while the alert asks.
    QTableView* table = window->tableView();
    const QRect homeCell = table->visualRect(controller->tableModel()->index(1, 0));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, homeCell.center());
    QCOMPARE(controller->tableAccount(), work.get());
    QMessageBox* alert = openAlert("saveChangesAlert");
    QVERIFY(alert);
    QCOMPARE(alert->text(), QStringLiteral("<b>Save changes?</b>"));
    QCOMPARE(alert->informativeText(),
             QStringLiteral("The modifications to the current account have not been saved. "
                            "Save changes?"));
    saveScreenshot(window, QStringLiteral("accounts-save-alert"));
    alertButton(alert, answer)->click();

    QCOMPARE(controller->tableAccount(), home.get());
    QCOMPARE(work->username(), saved ? QStringLiteral("annx") : QStringLiteral("ann"));
    QCOMPARE(refresh.started.size(), saved ? 1 : 0);
    refresh.finish(QString());
}

void tst_AccountController::refreshSheetShowsStatusAndCancels()
{
    const AccountPtr work = updateSelectedAccount();
    AccountSheet* sheet = controller->sheet();
    QVERIFY(sheet->isVisible());
    QCOMPARE(sheet->currentPage(), AccountSheet::Page::Progress);
    QCOMPARE(sheet->statusField()->text(), QStringLiteral("Updating account"));
    QCOMPARE(sheet->subStatusField()->text(), QStringLiteral("Initializing connection..."));
    work->setSubStatus(QStringLiteral("Retrieving blogs..."));
    QCOMPARE(sheet->subStatusField()->text(), QStringLiteral("Retrieving blogs..."));
    QPushButton* cancel = sheet->button(AccountSheet::FirstButton);
    QCOMPARE(cancel->text(), QStringLiteral("Cancel"));
    QVERIFY(sheet->button(AccountSheet::SecondButton)->isHidden());
    saveScreenshot(sheet, QStringLiteral("sheet-refresh"));

    cancel->click();
    QVERIFY(!sheet->isVisible());
    QCOMPARE(refresh.cancelled, QList<Account*>{work.get()});
    QCOMPARE(sheet->statusField()->text(), QStringLiteral("Initializing..."));
    QCOMPARE(sheet->subStatusField()->text(), QString());
    // The account's later status no longer reaches the sheet.
    work->setStatus(QStringLiteral("late"));
    QCOMPARE(sheet->statusField()->text(), QStringLiteral("Initializing..."));
}

void tst_AccountController::refreshErrorStaysInTheSheetAndIsNotBroadcast()
{
    const AccountPtr work = updateSelectedAccount();
    int reloads = 0;
    NotificationCenter::sharedInstance().observe(QStringLiteral("forceReload"), this,
                                                 [&](const Notification&) { ++reloads; });
    refresh.finish(QStringLiteral("Incorrect username or password."));
    AccountSheet* sheet = controller->sheet();
    QVERIFY(sheet->isVisible());
    QCOMPARE(sheet->currentPage(), AccountSheet::Page::Error);
    QCOMPARE(sheet->errorField()->text(), QStringLiteral("Incorrect username or password."));
    QCOMPARE(controller->errorMessage(), QStringLiteral("Incorrect username or password."));
    QCOMPARE(sheet->button(AccountSheet::FirstButton)->text(), QStringLiteral("OK"));
    saveScreenshot(sheet, QStringLiteral("sheet-error"));
    QCOMPARE(reloads, 0);
    sheet->button(AccountSheet::FirstButton)->click();
    QVERIFY(!sheet->isVisible());
    QVERIFY(refresh.cancelled.isEmpty());
    QCOMPARE(controller->accounts(), QList<AccountPtr>{work});
    NotificationCenter::sharedInstance().removeObserver(this);
}

void tst_AccountController::refreshThatChangesNothingLeavesTheFileAlone()
{
    // The file's inode and time change with every write (a new file replaces it).
    const auto stamp = [this] {
        struct stat info {};
        if (::stat(QFile::encodeName(path).constData(), &info) != 0)
            return QString();
        return QStringLiteral("%1 %2.%3")
            .arg(info.st_ino)
            .arg(info.st_mtim.tv_sec)
            .arg(info.st_mtim.tv_nsec);
    };
    const AccountPtr work = updateSelectedAccount();
    refresh.finish(QString());
    QVERIFY(!controller->sheet()->isVisible());
    const QString first = stamp();
    QVERIFY(!first.isEmpty());

    controller->saveAccount();
    refresh.finish(QString());
    QCOMPARE(refresh.started.size(), 2);
    QCOMPARE(stamp(), first);
    controller->autoSave(true);
    QCOMPARE(stamp(), first);

    // A refresh that changed the account is written.
    controller->saveAccount();
    work->setUserID(QStringLiteral("42"));
    refresh.finish(QString());
    QVERIFY(stamp() != first);
    AccountList reread;
    reread.loadAccounts(path);
    QCOMPARE(reread.accounts().first()->userID(), QStringLiteral("42"));
}

void tst_AccountController::keptDraftsAreToldBeforeTheSheetCloses()
{
    const AccountPtr work = updateSelectedAccount();
    AccountSheet* sheet = controller->sheet();
    const QString notice = QStringLiteral(
        "\"Old blog\" is no longer on the server: 2 draft(s) kept in \"/home/ann/Removed blogs\".");
    work->setStatus(notice);
    refresh.finish(RefreshEnd{RefreshEnd::Kind::Succeeded, {}, notice});
    QVERIFY(sheet->isVisible());
    QCOMPARE(sheet->currentPage(), AccountSheet::Page::Information);
    QCOMPARE(sheet->informationField()->text(), notice);
    QCOMPARE(sheet->button(AccountSheet::FirstButton)->text(), QStringLiteral("OK"));
    QVERIFY(sheet->button(AccountSheet::SecondButton)->isHidden());
    QCOMPARE(controller->errorMessage(), QString());
    saveScreenshot(sheet, QStringLiteral("sheet-kept-drafts"));
    // The account's later status no longer reaches the sheet.
    work->setStatus(QStringLiteral("late"));
    QCOMPARE(sheet->informationField()->text(), notice);
    sheet->button(AccountSheet::FirstButton)->click();
    QVERIFY(!sheet->isVisible());
    QVERIFY(refresh.cancelled.isEmpty());
}

void tst_AccountController::refreshStoppedFromBelowClosesTheSheet()
{
    const AccountPtr work = updateSelectedAccount();
    AccountSheet* sheet = controller->sheet();
    QSignalSpy ended(sheet, &AccountSheet::ended);
    refresh.finish(RefreshEnd{RefreshEnd::Kind::Cancelled, {}, {}});
    QCOMPARE(ended.size(), 1);
    QVERIFY(!sheet->isVisible());
    // It was over already: nothing to cancel.
    QVERIFY(refresh.cancelled.isEmpty());
    QCOMPARE(controller->errorMessage(), QString());
    QCOMPARE(sheet->statusField()->text(), QStringLiteral("Initializing..."));
    QCOMPARE(controller->accounts(), QList<AccountPtr>{work});
}

void tst_AccountController::toolbarFollowsTheSelection()
{
    controller->loadUI();
    const AccountPtr work = makeAccount("Work", "https://work.example/xmlrpc.php", "ann", "pw");
    controller->insertAccount(work, -1);
    ToolbarController* toolbar = controller->toolbar();
    QCOMPARE(toolbar->identifier(), QStringLiteral("account_toolbar"));
    QCOMPARE(
        toolbar->itemIdentifiers(),
        (QStringList{"accounts-assistant", "separator", "accounts-new", "accounts-update-cache",
                     "flexible-space", "accounts-delete", "customize"}));
    const auto enabled = [&](const char* item) {
        return toolbar->actionForItem(QLatin1String(item))->isEnabled();
    };
    controller->selectAccount(nullptr);
    QVERIFY(!enabled("accounts-delete"));
    QVERIFY(!enabled("accounts-update-cache"));
    QVERIFY(enabled("accounts-new"));
    QVERIFY(enabled("accounts-assistant"));
    controller->selectAccount(work.get());
    QVERIFY(enabled("accounts-delete"));
    QVERIFY(enabled("accounts-update-cache"));
    QCOMPARE(toolbar->actionForItem(QStringLiteral("accounts-delete"))->toolTip(),
             QStringLiteral("Deletes selected account. This is not undoable."));

    toolbar->runCustomizationPalette();
    QVERIFY(toolbar->customizationPalette());
    saveScreenshot(toolbar->customizationPalette(), QStringLiteral("accounts-toolbar-customize"));
    toolbar->customizationPalette()->close();

    // New appends an empty account, selects it and puts the focus in its title.
    toolbar->actionForItem(QStringLiteral("accounts-new"))->trigger();
    QCOMPARE(controller->accounts().size(), 2);
    QCOMPARE(controller->tableAccount(), controller->accounts().last().get());
}

void tst_AccountController::loadingAMissingFileStillAnnouncesTheAccounts()
{
    AccountController::cleanUp();
    controller = &AccountController::sharedInstance();
    bool announced = false;
    NotificationCenter::sharedInstance().observe(QStringLiteral("accountsDone"), this,
                                                 [&](const Notification&) { announced = true; });
    controller->loadAccounts(QDir::home().filePath(QStringLiteral("nowhere/accounts.plist")));
    QVERIFY(announced);
    QVERIFY(controller->accounts().isEmpty());
    NotificationCenter::sharedInstance().removeObserver(this);
}

void tst_AccountController::autosaveFollowsThePreferences_data()
{
    QTest::addColumn<QVariant>("minutes");
    QTest::addColumn<bool>("saveDrafts");
    QTest::addColumn<qint64>("period");
    QTest::newRow("two minutes, drafts first") << QVariant(2) << true << qint64(120);
    QTest::newRow("zero is five minutes, drafts left") << QVariant(0) << false << qint64(300);
}

void tst_AccountController::autosaveFollowsThePreferences()
{
    QFETCH(QVariant, minutes);
    QFETCH(bool, saveDrafts);
    QFETCH(qint64, period);
    UserDefaults& defaults = UserDefaults::sharedInstance();
    defaults.setValue(QStringLiteral("autoSave"), minutes);
    defaults.setValue(QStringLiteral("shouldAutoSave"), saveDrafts);
    QStringList events;
    DraftsDouble drafts;
    drafts.events = &events;
    DraftRegistry::setSharedInstance(&drafts);
    plumet::test::ManualClock clock;
    controller->setClock(&clock);
    const AccountPtr work = makeAccount("Work", "https://work.example/xmlrpc.php", "ann", "pw");
    controller->insertAccount(work, -1);
    work->setTitle(QStringLiteral("Renamed behind the window's back"));

    clock.advance(period * 1000 - 1);
    QCOMPARE(storedTitle(path), QStringLiteral("Work"));
    clock.advance(1);
    QCOMPARE(storedTitle(path), QStringLiteral("Renamed behind the window's back"));
    QCOMPARE(events, saveDrafts ? QStringList{"drafts"} : QStringList{});

    // Re-armed with the period then in force.
    defaults.setValue(QStringLiteral("autoSave"), 1);
    work->setTitle(QStringLiteral("Again"));
    clock.advance(period * 1000);
    QCOMPARE(storedTitle(path), QStringLiteral("Again"));
    work->setTitle(QStringLiteral("Once more"));
    clock.advance(60 * 1000);
    QCOMPARE(storedTitle(path), QStringLiteral("Once more"));

    controller->setClock(nullptr);
    DraftRegistry::setSharedInstance(nullptr);
    defaults.remove(QStringLiteral("autoSave"));
    defaults.remove(QStringLiteral("shouldAutoSave"));
}

void tst_AccountController::autosaveFailuresAreToldOncePerCause_data()
{
    QTest::addColumn<bool>("entryFile"); // else the accounts file
    QTest::newRow("accounts file") << false;
    QTest::newRow("entry file") << true;
}

// A save that fails at every autosave for one cause is told once, until a
// save succeeds again.
void tst_AccountController::autosaveFailuresAreToldOncePerCause()
{
    QFETCH(bool, entryFile);
    const AccountPtr work = makeAccount("Work", "https://work.example/xmlrpc.php", "ann", "pw");
    auto blog = std::make_shared<Blog>();
    blog->setUniqueID(QStringLiteral("autosaved"));
    work->addBlog(blog);
    controller->insertAccount(work, -1);
    const EntryPtr entry = Entry::create();
    entry->setTitle(QStringLiteral("First"));
    blog->addEntry(entry);
    const QString blocked = entryFile ? blog->entryFilePath(*entry) : path;
    // A folder where the file goes.
    const auto block = [&blocked] {
        QFile::remove(blocked);
        return QDir().mkdir(blocked);
    };
    int told = 0;
    QString said;
    // One autosave as the timer runs it. Entry files are written behind the
    // save, and the next save tells of a write that failed: they are on disk
    // before it.
    const auto autosave = [&] {
        controller->autoSave(true);
        EntryFileWriter::sharedInstance().waitUntilDone();
        QMessageBox* alert = controller->autoSaveAlert();
        if (alert && alert->isVisible()) {
            ++told;
            said = alert->informativeText().remove(QChar(0x200B)); // the path may wrap
            QCOMPARE(alert->windowModality(), Qt::NonModal);
            plumet::test::saveScreenshot(alert, QStringLiteral("autosave-failure-alert"));
            alert->close();
        }
    };

    QVERIFY(block());
    for (int i = 0; i < 4; ++i)
        autosave();
    QCOMPARE(told, 1);
    QVERIFY2(said.contains(blocked), qPrintable(said));

    // The obstacle gone, the next saves write the file and say nothing.
    QVERIFY(QDir().rmdir(blocked));
    autosave();
    autosave();
    QCOMPARE(told, 1);
    QVERIFY(QFileInfo(blocked).isFile());

    // After a save that succeeded, the same cause is told again.
    entry->setTitle(QStringLiteral("Second"));
    work->setTitle(QStringLiteral("Work, renamed"));
    QVERIFY(block());
    autosave();
    autosave();
    QCOMPARE(told, 2);
    QVERIFY(QDir().rmdir(blocked));
}

// A disk that fills up: the autosave tells the user once, naming the cause,
// and the files on disk stay as the last good save left them.
void tst_AccountController::fullDiskIsToldOnceInWords()
{
    const AccountPtr work = makeAccount("Work", "https://work.example/xmlrpc.php", "ann", "pw");
    auto blog = std::make_shared<Blog>();
    blog->setUniqueID(QStringLiteral("filling"));
    work->addBlog(blog);
    controller->insertAccount(work, -1);
    const EntryPtr entry = Entry::create();
    entry->setTitle(QStringLiteral("First"));
    blog->addEntry(entry);
    QVERIFY(controller->saveAndWait());
    const auto bytesOf = [](const QString& file) {
        QFile stored(file);
        return stored.open(QIODevice::ReadOnly) ? stored.readAll() : QByteArray();
    };
    const QByteArray accounts = bytesOf(path);
    const QByteArray post = bytesOf(blog->entryFilePath(*entry));
    QVERIFY(!accounts.isEmpty() && !post.isEmpty());

    work->setTitle(QString(5000, QLatin1Char('w')));
    entry->setBody(QString(5000, QLatin1Char('p')));
    // Entry files are written behind the save: their failure is told at the
    // autosave after, as a cause of its own.
    QStringList said;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("File too large")));
    {
        const plumet::test::FileSizeLimit limit(std::max(accounts.size(), post.size()) + 1024);
        QVERIFY(limit.isActive());
        for (int i = 0; i < 4; ++i) {
            controller->autoSave(true);
            EntryFileWriter::sharedInstance().waitUntilDone();
            QMessageBox* alert = controller->autoSaveAlert();
            if (alert && alert->isVisible()) {
                said.append(alert->informativeText().remove(QChar(0x200B)));
                alert->close();
            }
        }
    }
    const QString cause = QStringLiteral("\" could not be saved: File too large.");
    for (const QString& file : {path, blog->entryFilePath(*entry)})
        QCOMPARE(said.filter(file + cause).size(), 1);
    QCOMPARE(bytesOf(path), accounts);
    QCOMPARE(bytesOf(blog->entryFilePath(*entry)), post);
}

// The accounts window in the lists' colour and the new-account wizard in its
// sheet, all in a dark palette: every label and every account row reads.
void tst_AccountController::windowAndWizardReadInADarkPalette()
{
    const plumet::test::DarkPaletteScope dark;
    controller->loadUI();
    const AccountPtr work = makeAccount("Work", "https://work.example/xmlrpc.php", "ann", "pw");
    const AccountPtr home = makeAccount("Home", "https://home.example/xmlrpc.php", "bo", "pw2");
    home->setLabel(rv::Color(1.0, 0.9, 0.6, 1.0)); // a pale label the user chose
    controller->insertAccount(work, -1);
    controller->insertAccount(home, -1);
    controller->showWindow();
    controller->selectAccount(work.get());
    AccountsWindow* window = controller->window();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    PLUMET_VERIFY_READABLE(window);
    const auto* table = window->findChild<QTableView*>();
    QVERIFY(table);
    for (int row = 0; row < table->model()->rowCount(); ++row) {
        const QModelIndex index = table->model()->index(row, 0);
        const QColor ground =
            PaletteColors::over(index.data(Qt::BackgroundRole).value<QColor>(),
                                table->viewport()->palette().color(QPalette::Base));
        const QColor ink = index.data(Qt::ForegroundRole).value<QColor>();
        QVERIFY2(PaletteColors::contrast(ink, ground) >= PaletteColors::readableContrast,
                 qPrintable(ink.name() + " on " + ground.name()));
    }
    saveScreenshot(window, QStringLiteral("looks-accounts-window"));

    controller->configureAccount();
    AccountSheet* sheet = controller->sheet();
    QVERIFY(QTest::qWaitFor([&] { return sheet->isVisible(); }, 5000));
    // The sheet takes the palette's window, whatever colour the lists have.
    QVERIFY(sheet->palette().color(QPalette::Window).lightness() < 100);
    for (AccountSheet::Page page : {AccountSheet::Page::Address, AccountSheet::Page::Progress,
                                    AccountSheet::Page::AccessPoint,
                                    AccountSheet::Page::Authentication, AccountSheet::Page::Warning,
                                    AccountSheet::Page::Error, AccountSheet::Page::Information}) {
        sheet->swapViews(page);
        PLUMET_VERIFY_READABLE(sheet);
    }
    sheet->swapViews(AccountSheet::Page::Address);
    saveScreenshot(sheet, QStringLiteral("looks-wizard"));
    sheet->end(-2);
}

int main(int argc, char** argv)
{
    plumet::test::ensurePrivateSessionBus(argc, argv);
    QApplication app(argc, argv);
    tst_AccountController test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_accountcontroller.moc"
