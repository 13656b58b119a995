#include "Account.h"
#include "AccountArrayController.h"
#include "AccountController.h"
#include "AccountList.h"
#include "AccountOutlineModel.h"
#include "ActivityController.h"
#include "ActivityItem.h"
#include "ActivityList.h"
#include "AppControl.h"
#include "AppMenus.h"
#include "AttachmentController.h"
#include "Blog.h"
#include "BlogChooser.h"
#include "BlogController.h"
#include "BusBounds.h"
#include "Entry.h"
#include "EntryFile.h"
#include "FindPanelController.h"
#include "ModelNotifications.h"
#include "NotificationCenter.h"
#include "PluginBundles.h"
#include "PluginInstaller.h"
#include "Presets.h"
#include "PropertyList.h"
#include "RVTagTool.h"
#include "ScreenshotSaver.h"
#include "SingleInstance.h"
#include "Stationeries.h"
#include "TestSecretService.h"
#include "UserDefaults.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

namespace {

void click(QMessageBox* box, const QString& text)
{
    QVERIFY(box);
    for (QAbstractButton* button : box->buttons()) {
        if (button->text() == text) {
            button->click();
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("no button ") + text));
}

// The alert open on `parent` whose title says `title`.
QMessageBox* alertOn(QWidget* parent, const QString& title)
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (box && box->isVisible() && box->parentWidget() == parent && box->text().contains(title))
            return box;
    }
    return nullptr;
}

} // namespace

class tst_AppControl : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void customTagFileTroublesAreSaid();
    void aHugePreferencesFileIsSaid();
    void anUnreadableStationeryFileIsSaid();
    void anUnreadableAttachmentLibraryIsSaid();
    void anUnreadablePresetsFileIsSaid();
    void documentsWaitForTheLaunchInOrder();
    void outsideCallsOverTheirBoundsAreRefused();
    void aBurstOfBigCallsLeavesTheBusAnswering();
    void menusFollowTheirRules();
    void accountsDraggedInTheOutlineAreSaved();
    void quitFromEverySource_data();
    void quitFromEverySource();
    void activeJobsQuestion_data();
    void activeJobsQuestion();
    void sessionManagerAsksOnlyWhenSomethingWould();
    void postsThatCannotBeWrittenHoldTheQuit();
    void pluginInstallRestartsOnRequestOnly();
    void cleanUpsRunOnce();

private:
    void startJob();
    void endJob();
    QDBusPendingCall callApplication(const QString& method, const QVariantList& arguments);

    QTemporaryDir m_files;
    std::unique_ptr<SingleInstance> m_instance;
    std::unique_ptr<AppControl> m_control;
    QDBusConnection m_client = QDBusConnection(QString());
    QStringList m_opened;
    int m_quits = 0;
    int m_restarts = 0;
    QPointer<ActivityItem> m_job;
};

void tst_AppControl::initTestCase()
{
    // A preferences file of gigabytes (sparse) found at the start.
    const QString preferences =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
        QStringLiteral("/plumet/plumet.conf");
    QVERIFY(QDir().mkpath(QFileInfo(preferences).absolutePath()));
    QFile huge(preferences);
    QVERIFY(huge.open(QIODevice::WriteOnly));
    QVERIFY(huge.resize(qint64(3) << 30));
    huge.close();

    AppControl::initialize();
    // Accounts exist (none yet): the launch needs no first-run wizard.
    QVERIFY(AccountList().saveAccounts(AccountList::defaultPath()));
    UserDefaults::sharedInstance().setValue(QStringLiteral("draft_option"), 1);
    UserDefaults::sharedInstance().setValue(QStringLiteral("remember_open_drafts"), false);

    m_instance = std::make_unique<SingleInstance>();
    m_instance->setLockPath(m_files.filePath(QStringLiteral("plumet.lock")));
    QCOMPARE(m_instance->claim({}), SingleInstance::Claim::Owner);
    m_client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("client"));

    m_control = std::make_unique<AppControl>();
    m_control->setQuitFunction([this] { ++m_quits; });
    m_control->setRestartFunction([this] {
        ++m_restarts;
        return true;
    });
    m_control->setSingleInstance(m_instance.get());
    NotificationCenter::sharedInstance().observe(
        QString::fromLatin1(ModelNotifications::findAndOpenEntry), this,
        [this](const Notification& n) {
            m_opened << n.userInfo.value(QStringLiteral("entry")).toString() + QLatin1Char('@') +
                            n.userInfo.value(QStringLiteral("account")).toString();
        });

    // Arriving during the launch, in this order.
    const QString webloc = m_files.filePath(QStringLiteral("link.webloc"));
    QVERIFY(PropertyList::writeFile(
        webloc, QVariantMap{{QStringLiteral("URL"), QStringLiteral("x-blogpost://e2@a2")}},
        PropertyList::Format::Xml));
    const QString entryFolder = m_files.filePath(QStringLiteral("items/a3/blog"));
    QDir().mkpath(entryFolder);
    // A custom-tag file that cannot be read.
    QFile tags(RVTagTool::defaultPath());
    QVERIFY(tags.open(QIODevice::WriteOnly));
    tags.write("not a property list");
    tags.close();
    // A presets file that cannot be read.
    QFile presets(Presets::defaultPath());
    QVERIFY(presets.open(QIODevice::WriteOnly));
    presets.write("bplist00 no presets");
    presets.close();
    // A stationery file that cannot be read.
    QFile stationery(Stationeries::defaultPath());
    QVERIFY(stationery.open(QIODevice::WriteOnly));
    stationery.write("not a keyed archive");
    stationery.close();

    // An attachment library that cannot be read.
    QFile library(AttachmentController::defaultPath());
    QVERIFY(library.open(QIODevice::WriteOnly));
    library.write("bplist00 cut short");
    library.close();

    m_control->openUrl(QStringLiteral("x-blogpost:e1@a1"));
    m_control->openFile(webloc);
    m_control->openUrl(QStringLiteral("x-blogpost://odd@two@ats"));
    m_control->openFile(entryFolder + QStringLiteral("/e3.PLUMET"));
    m_control->openUrl(QStringLiteral("x-blogpost://e4@a4"));
    QVERIFY(m_opened.isEmpty());
    QVERIFY(!m_control->hasInited());

    QSignalSpy finished(m_control.get(), &AppControl::launchFinished);
    m_control->applicationDidFinishLaunching();
    QTRY_COMPARE(finished.size(), 1);
    QVERIFY(m_control->hasInited());
    QVERIFY(m_control->blogController()->isVisible());
}

void tst_AppControl::customTagFileTroublesAreSaid()
{
    QWidget* window = m_control->blogController();
    // Moved aside at the start, and the user told where it went.
    QMessageBox* alert = alertOn(window, QStringLiteral("Custom Tags"));
    QVERIFY(alert);
    QVERIFY2(alert->informativeText().contains(QLatin1String(".unreadable")),
             qPrintable(alert->informativeText()));
    QVERIFY(!QFile::exists(RVTagTool::defaultPath()));
    alert->close();
    QTRY_VERIFY(!alertOn(window, QStringLiteral("Custom Tags")));

    // A change that cannot be written is said too.
    QVERIFY(QDir().mkpath(RVTagTool::defaultPath()));
    RVTagTool& store = RVTagTool::sharedInstance();
    store.setSaveDelay(0);
    store.setCustomTags({RVTag::create()});
    QTRY_VERIFY(alertOn(window, QStringLiteral("Custom Tags")));
    alert = alertOn(window, QStringLiteral("Custom Tags"));
    QVERIFY2(
        alert->informativeText().startsWith(QLatin1String("The custom tags could not be saved")),
        qPrintable(alert->informativeText()));
    alert->close();
    QVERIFY(QDir().rmdir(RVTagTool::defaultPath()));
    store.setCustomTags({});
    QTRY_VERIFY(QFile::exists(RVTagTool::defaultPath()));
    QVERIFY(!alertOn(window, QStringLiteral("Custom Tags")));
}

void tst_AppControl::aHugePreferencesFileIsSaid()
{
    QWidget* window = m_control->blogController();
    QMessageBox* alert = alertOn(window, QStringLiteral("Preferences"));
    QVERIFY(alert);
    const QString said = alert->informativeText().remove(QChar(0x200B));
    QVERIFY2(said.contains(QLatin1String("too large")), qPrintable(said));
    const QString preferences = UserDefaults::sharedInstance().filePath();
    const QStringList aside =
        QDir(QFileInfo(preferences).absolutePath())
            .entryList({QFileInfo(preferences).fileName() + QStringLiteral(".*.unreadable")});
    QCOMPARE(aside.size(), 1);
    const QString kept = QFileInfo(preferences).absoluteDir().filePath(aside.first());
    QVERIFY2(said.contains(QDir::toNativeSeparators(kept)), qPrintable(said));
    QCOMPARE(QFileInfo(kept).size(), qint64(3) << 30);
    QVERIFY(QFile::remove(kept));
    alert->close();
}

void tst_AppControl::anUnreadableStationeryFileIsSaid()
{
    QWidget* window = m_control->blogController();
    // Moved aside at the start, and the user told where it went.
    QMessageBox* alert = alertOn(window, QStringLiteral("Stationery"));
    QVERIFY(alert);
    QVERIFY2(alert->informativeText().contains(QLatin1String(".unreadable")),
             qPrintable(alert->informativeText()));
    QVERIFY(!QFile::exists(Stationeries::defaultPath()));
    plumet::test::saveScreenshot(alert, QStringLiteral("stationery-load-alert"));
    alert->close();
    QTRY_VERIFY(!alertOn(window, QStringLiteral("Stationery")));
}

void tst_AppControl::anUnreadableAttachmentLibraryIsSaid()
{
    QWidget* window = m_control->blogController();
    AttachmentController* library = m_control->attachmentController();
    QVERIFY(library);
    QCOMPARE(AttachmentLibrary::sharedInstance(), library);
    QTRY_VERIFY(alertOn(window, QStringLiteral("Attachments")));
    QMessageBox* alert = alertOn(window, QStringLiteral("Attachments"));
    QVERIFY2(alert->informativeText().contains(QLatin1String(".unreadable")),
             qPrintable(alert->informativeText()));
    QVERIFY(!QFile::exists(AttachmentController::defaultPath()));
    // Not loaded, so no entry's key is taken for gone.
    QVERIFY(!library->isLoaded());
    alert->close();
    QTRY_VERIFY(!alertOn(window, QStringLiteral("Attachments")));
}

void tst_AppControl::anUnreadablePresetsFileIsSaid()
{
    QWidget* window = m_control->blogController();
    QMessageBox* alert = alertOn(window, QStringLiteral("Presets"));
    QVERIFY(alert);
    QVERIFY2(alert->informativeText().contains(QLatin1String("presets.plist")) &&
                 alert->informativeText().contains(QLatin1String(".unreadable")),
             qPrintable(alert->informativeText()));
    QVERIFY(!QFile::exists(Presets::defaultPath()));
    alert->close();
    QTRY_VERIFY(!alertOn(window, QStringLiteral("Presets")));
}

void tst_AppControl::documentsWaitForTheLaunchInOrder()
{
    // Each in turn, none replacing the one before; a link with two at signs is ignored.
    QCOMPARE(m_opened, QStringList({QStringLiteral("e1@a1"), QStringLiteral("e2@a2"),
                                    QStringLiteral("e3@a3"), QStringLiteral("e4@a4")}));
    // Once running, an address is handled at once; over the bus, after the answer.
    m_opened.clear();
    m_control->openUrl(QStringLiteral("x-blogpost://e5@a5"));
    QCOMPARE(m_opened, QStringList{QStringLiteral("e5@a5")});
    QDBusMessage open = QDBusMessage::createMethodCall(
        QLatin1String(SingleInstance::serviceName), QLatin1String(SingleInstance::objectPath),
        QStringLiteral("org.plumet.Application"), QStringLiteral("OpenUrl"));
    open << QStringLiteral("x-blogpost:e6@a6");
    m_client.asyncCall(open);
    QTRY_COMPARE(m_opened.size(), 2);
    QCOMPARE(m_opened.last(), QStringLiteral("e6@a6"));
}

QDBusPendingCall tst_AppControl::callApplication(const QString& method,
                                                 const QVariantList& arguments)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QLatin1String(SingleInstance::serviceName), QLatin1String(SingleInstance::objectPath),
        QStringLiteral("org.plumet.Application"), method);
    call.setArguments(arguments);
    return m_client.asyncCall(call, 60000);
}

void tst_AppControl::outsideCallsOverTheirBoundsAreRefused()
{
    PluginInstaller* installer = m_control->pluginInstaller();
    const QPointer<QMessageBox> before = installer->dialog();
    const QString huge(10 * 1024 * 1024, u'x');
    const QList<std::pair<QString, QString>> calls{
        {QStringLiteral("OpenFile"), QStringLiteral("4096 bytes")},
        {QStringLiteral("OpenUrl"), QStringLiteral("2097152 characters")},
        {QStringLiteral("NewDraftWithText"), QStringLiteral("4194304 characters")}};
    for (const auto& [method, bound] : calls) {
        QDBusPendingCall pending = callApplication(method, {QStringLiteral("/") + huge});
        QVERIFY(QTest::qWaitFor([&pending] { return pending.isFinished(); }, 60000));
        QCOMPARE(pending.reply().errorName(),
                 QStringLiteral("org.freedesktop.DBus.Error.LimitsExceeded"));
        QVERIFY2(pending.reply().errorMessage().contains(bound),
                 qPrintable(pending.reply().errorMessage()));
    }
    // Nothing was left to do: no alert, no chooser, nothing waiting.
    QCOMPARE(m_instance->waitingRequests(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(installer->dialog(), before.data());
    QVERIFY(!m_control->blogController()->blogChooser());
}

void tst_AppControl::aBurstOfBigCallsLeavesTheBusAnswering()
{
    // Big calls within their bounds: texts of many lines for new drafts and
    // files that are no bundles, each with work to do after its answer.
    const QString text =
        QStringLiteral("a line & <markup> of text\n").repeated(BusBounds::MaxTextLength / 26);
    QList<QDBusPendingCall> burst;
    for (int i = 0; i < 6; ++i) {
        burst << callApplication(QStringLiteral("NewDraftWithText"), {text});
        burst << callApplication(QStringLiteral("OpenFile"),
                                 {QStringLiteral("/") + QString(4000, u'f') + QString::number(i) +
                                  QStringLiteral(".txt")});
    }
    QElapsedTimer clock;
    clock.start();
    QDBusPendingCall small =
        callApplication(QStringLiteral("OpenUrl"), {QStringLiteral("x-blogpost://small@a")});
    QVERIFY(QTest::qWaitFor([&small] { return small.isFinished(); }, 60000));
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(small.reply().type(), QDBusMessage::ReplyMessage);
    QVERIFY(QTest::qWaitFor(
        [&burst] {
            return std::all_of(burst.cbegin(), burst.cend(),
                               [](const QDBusPendingCall& call) { return call.isFinished(); });
        },
        60000));
    for (const QDBusPendingCall& call : burst)
        QCOMPARE(call.reply().type(), QDBusMessage::ReplyMessage);

    // Everything was acted on: the link opened, the first text asks for its
    // blog, and one alert refuses the last file in a line.
    QTRY_COMPARE(m_instance->waitingRequests(), 0);
    QTRY_VERIFY(m_opened.contains(QStringLiteral("small@a")));
    BlogChooser* chooser = m_control->blogController()->blogChooser();
    QVERIFY(chooser);
    chooser->reject();
    QMessageBox* refusal = m_control->pluginInstaller()->dialog();
    QVERIFY(refusal);
    QCOMPARE(refusal->objectName(), QStringLiteral("pluginInstallFailed"));
    QVERIFY2(
        refusal->informativeText().contains(QStringLiteral("f5.txt\" is not a plug-in bundle.")),
        qPrintable(refusal->informativeText()));
    refusal->close();
    m_opened.clear();
}

void tst_AppControl::menusFollowTheirRules()
{
    AppMenus* menus = m_control->menus();
    QVERIFY(menus);
    menus->validate();
    // No account with a blog yet.
    for (const char* id : {"newDraft", "newPage", "retrieveEntries", "retrievePages",
                           "showSettings", "viewInBrowser", "newDraftFromClipboard"})
        QVERIFY2(!menus->action(QString::fromLatin1(id))->isEnabled(), id);
    for (const char* id : {"quit", "newAccount", "showAccountManager", "about", "activityViewer",
                           "installPlugin", "addonSettings", "switchEditor"})
        QVERIFY2(menus->action(QString::fromLatin1(id))->isEnabled(), id);
    // Without a draft in front there is nothing to save as stationery.
    QVERIFY(!menus->action(QStringLiteral("saveAsStationery"))->isEnabled());
    // The editor switch names what it switches to.
    UserDefaults::sharedInstance().setValue(QStringLiteral("usesHTMLEditor"), 0);
    menus->validate();
    QCOMPARE(menus->action(QStringLiteral("switchEditor"))->text(),
             QStringLiteral("Use HTML Editor"));
    m_control->switchEditor();
    QCOMPARE(UserDefaults::sharedInstance().integer(QStringLiteral("usesHTMLEditor")), 1);
    QCOMPARE(menus->action(QStringLiteral("switchEditor"))->text(),
             QStringLiteral("Use Rich Editor"));
    m_control->switchEditor();
    // Plain text views (the HTML source view) are searched from the Find menu.
    QVERIFY(!menus->action(QStringLiteral("find"))->isEnabled());
    QPlainTextEdit text(QStringLiteral("one two"));
    text.show();
    text.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&text));
    text.setFocus();
    QTRY_VERIFY(menus->action(QStringLiteral("find"))->isEnabled());
    FindPanelController::sharedInstance()->setSearchString(QStringLiteral("two"));
    QVERIFY(menus->action(QStringLiteral("replace"))->isEnabled());
    FindPanelController::sharedInstance()->setReplaceString(QStringLiteral("2"));
    m_control->performFindPanelAction(FindPanelController::FindNext);
    QCOMPARE(text.textCursor().selectedText(), QStringLiteral("two"));
    m_control->performReplacePanelAction(FindPanelController::Replace);
    QCOMPARE(text.toPlainText(), QStringLiteral("one 2"));
    text.setReadOnly(true);
    menus->validate();
    QVERIFY(menus->action(QStringLiteral("find"))->isEnabled());
    QVERIFY(!menus->action(QStringLiteral("replace"))->isEnabled());
    FindPanelController::sharedInstance()->setSearchString(QString());
    FindPanelController::sharedInstance()->setReplaceString(QString());
    text.close();

    // The Add-ons menu ends with its own two commands.
    const QList<QAction*> addonItems = menus->menu(QStringLiteral("addons"))->actions();
    QCOMPARE(addonItems.last()->objectName(), QStringLiteral("addonShortcuts"));
    QCOMPARE(addonItems.at(addonItems.size() - 2)->objectName(), QStringLiteral("addonSettings"));
}

// A new order made in the main window's outline reaches "accounts.plist" at
// once, as one made in the accounts window does, not at the next autosave.
void tst_AppControl::accountsDraggedInTheOutlineAreSaved()
{
    AccountController& accounts = AccountController::sharedInstance();
    const QStringList titles{QStringLiteral("Home"), QStringLiteral("Work"),
                             QStringLiteral("Club")};
    for (const QString& title : titles) {
        auto account = Account::create();
        account->setTitle(title);
        accounts.insertAccount(account, -1);
    }
    auto storedTitles = [] {
        AccountList stored;
        stored.loadAccounts(AccountList::defaultPath());
        QStringList list;
        for (const AccountPtr& account : stored.accounts())
            list << account->title();
        return list;
    };
    QCOMPARE(storedTitles(), titles);
    int reloads = 0;
    QObject observer;
    NotificationCenter::sharedInstance().observe(QStringLiteral("forceReload"), &observer,
                                                 [&reloads](const Notification&) { ++reloads; });

    // "Home" dragged below the last account.
    AccountOutlineModel* outline = m_control->blogController()->outline()->model();
    QMimeData dragged;
    dragged.setData(QString::fromLatin1(AccountOutlineModel::accountMimeType), "0");
    outline->dropMimeData(&dragged, Qt::MoveAction, 3, 0, QModelIndex());
    const QStringList moved{QStringLiteral("Work"), QStringLiteral("Club"), QStringLiteral("Home")};
    QTRY_COMPARE(storedTitles(), moved);
    QCOMPARE(reloads, 1);
    QCOMPARE(outline->index(2, 0).data().toString(), QStringLiteral("Home"));
}

void tst_AppControl::startJob()
{
    m_job = ActivityList::sharedInstance().newActivity(nullptr, QStringLiteral("Publishing"),
                                                       [] { return true; });
    m_job->callAction();
    QVERIFY(ActivityList::sharedInstance().hasActiveItems());
}

void tst_AppControl::endJob()
{
    if (m_job)
        ActivityList::sharedInstance().removeItem(m_job);
    QTRY_VERIFY(!ActivityList::sharedInstance().hasActiveItems());
}

void tst_AppControl::quitFromEverySource_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<bool>("job");
    for (const char* source : {"action", "main window", "SIGTERM", "SIGINT", "bus"}) {
        QTest::addRow("%s, no job", source) << QString::fromLatin1(source) << false;
        QTest::addRow("%s, a job running", source) << QString::fromLatin1(source) << true;
    }
}

void tst_AppControl::quitFromEverySource()
{
    QFETCH(QString, source);
    QFETCH(bool, job);
    QTest::qWait(0); // a quit decided before is forgotten
    if (job)
        startJob();
    const int quitsBefore = m_quits;
    if (source == QLatin1String("action")) {
        m_control->menus()->action(QStringLiteral("quit"))->trigger();
    } else if (source == QLatin1String("main window")) {
        m_control->blogController()->close();
    } else if (source == QLatin1String("SIGTERM")) {
        ::raise(SIGTERM);
    } else if (source == QLatin1String("SIGINT")) {
        ::raise(SIGINT);
    } else {
        m_client.asyncCall(QDBusMessage::createMethodCall(
            QLatin1String(SingleInstance::serviceName), QLatin1String(SingleInstance::objectPath),
            QStringLiteral("org.plumet.Application"), QStringLiteral("Quit")));
    }
    if (!job) {
        QTRY_COMPARE(m_quits, quitsBefore + 1);
        QVERIFY(!m_control->quitAlert());
        return;
    }
    // It asks first, and Cancel keeps everything as it was.
    QTRY_VERIFY(m_control->quitAlert());
    QCOMPARE(m_quits, quitsBefore);
    QVERIFY(m_control->quitAlert()->text().contains(
        QLatin1String("There are active processes running. Are you sure you want to quit?")));
    click(m_control->quitAlert(), QStringLiteral("Cancel"));
    QTRY_VERIFY(!m_control->quitAlert());
    QTest::qWait(50);
    QCOMPARE(m_quits, quitsBefore);
    QVERIFY(m_control->blogController()->isVisible());
    endJob();
}

void tst_AppControl::activeJobsQuestion_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("quits");
    QTest::addColumn<bool>("showsActivity");
    QTest::newRow("view activity") << "View Activity" << false << true;
    QTest::newRow("quit now") << "Quit Now" << true << false;
}

void tst_AppControl::activeJobsQuestion()
{
    QFETCH(QString, button);
    QFETCH(bool, quits);
    QFETCH(bool, showsActivity);
    QTest::qWait(0);
    if (ActivityController::instanceExists())
        ActivityController::sharedInstance()->window()->hide();
    startJob();
    const int quitsBefore = m_quits;
    m_control->requestQuit();
    // A second request while it asks opens no second question.
    QMessageBox* alert = m_control->quitAlert();
    QVERIFY(alert);
    // It holds the whole program, not only a window it has none of.
    QCOMPARE(alert->windowModality(), Qt::ApplicationModal);
    QVERIFY(alert->isVisible());
    m_control->requestQuit();
    QCOMPARE(m_control->quitAlert(), alert);
    click(alert, button);
    QTRY_VERIFY(!m_control->quitAlert());
    QTRY_COMPARE(m_quits, quitsBefore + (quits ? 1 : 0));
    QCOMPARE(ActivityController::instanceExists() &&
                 ActivityController::sharedInstance()->isWindowVisible(),
             showsActivity);
    endJob();
}

void tst_AppControl::sessionManagerAsksOnlyWhenSomethingWould()
{
    QTest::qWait(0);
    const int quitsBefore = m_quits;
    // Nothing would ask: the session may end, and the clean-up runs as we quit.
    QVERIFY(!m_control->commitDataRequested(true));
    QTest::qWait(50);
    QVERIFY(!m_control->quitAlert());
    QCOMPARE(m_quits, quitsBefore);

    startJob();
    // Without interaction nothing can be asked, but the session is held up.
    QVERIFY(!m_control->commitDataRequested(false));
    QTest::qWait(50);
    QVERIFY(!m_control->quitAlert());
    // With interaction, the session's quit is cancelled and the user asked.
    QVERIFY(m_control->commitDataRequested(true));
    QTRY_VERIFY(m_control->quitAlert());
    click(m_control->quitAlert(), QStringLiteral("Cancel"));
    QTRY_VERIFY(!m_control->quitAlert());
    QCOMPARE(m_quits, quitsBefore);
    endJob();
}

// A quit decided with an entry that cannot be written asks; staying keeps
// the program and the entry, and a later quit writes it.
void tst_AppControl::postsThatCannotBeWrittenHoldTheQuit()
{
    QTest::qWait(0);
    AccountController& accounts = AccountController::sharedInstance();
    const AccountPtr account = Account::create();
    account->setTitle(QStringLiteral("Full disk"));
    auto blog = std::make_shared<Blog>();
    blog->setUniqueID(QStringLiteral("full/1"));
    account->addBlog(blog);
    accounts.insertAccount(account, -1);
    const EntryPtr entry = Entry::create();
    entry->setTitle(QStringLiteral("Not on disk yet"));
    blog->addEntry(entry);
    const QString file = blog->entryFilePath(*entry);
    QVERIFY(QDir().mkpath(file)); // a folder stands where the file goes
    const int quitsBefore = m_quits;

    // A pending restart goes with a quit the user stays from.
    m_control->requestRestart();
    QMessageBox* alert = m_control->quitAlert();
    QVERIFY(alert);
    QCOMPARE(alert->objectName(), QStringLiteral("unsavedPostsAlert"));
    QVERIFY(alert->text().contains(QLatin1String("Your posts could not be saved.")));
    // The path may wrap at its slashes.
    const QString message = alert->informativeText().remove(QChar(0x200B));
    QVERIFY2(message.contains(file), qPrintable(message));
    QVERIFY(message.contains(QLatin1String("If you quit now")));
    QCOMPARE(alert->defaultButton()->text(), QStringLiteral("Don't Quit"));
    QCOMPARE(alert->escapeButton(), alert->defaultButton());
    QCOMPARE(alert->windowModality(), Qt::ApplicationModal);
    plumet::test::saveScreenshot(alert, QStringLiteral("unsaved-posts-quit-alert"));
    m_control->requestQuit();
    QCOMPARE(m_control->quitAlert(), alert);
    click(alert, QStringLiteral("Don't Quit"));
    QTRY_VERIFY(!m_control->quitAlert());
    QCOMPARE(m_quits, quitsBefore);
    QVERIFY(!m_control->restartRequested());
    QVERIFY(m_control->blogController()->isVisible());
    QVERIFY(blog->entries().contains(entry));
    QCOMPARE(entry->title(), QStringLiteral("Not on disk yet"));
    QVERIFY(!QFileInfo(file).isFile());

    // The session's end asks too when it may; without interaction it goes on.
    QVERIFY(!m_control->commitDataRequested(false));
    QVERIFY(!m_control->quitAlert());
    QVERIFY(m_control->commitDataRequested(true));
    QTRY_VERIFY(m_control->quitAlert());
    QCOMPARE(m_control->quitAlert()->objectName(), QStringLiteral("unsavedPostsAlert"));
    click(m_control->quitAlert(), QStringLiteral("Quit Anyway"));
    QTRY_COMPARE(m_quits, quitsBefore + 1);
    QVERIFY(!m_control->quitAlert());

    // The obstacle gone, the next quit writes the file and asks nothing.
    QTest::qWait(0);
    QVERIFY(QDir().rmdir(file));
    m_control->requestQuit();
    QCOMPARE(m_quits, quitsBefore + 2);
    QVERIFY(!m_control->quitAlert());
    QVERIFY(QFileInfo(file).isFile());
    const EntryPtr stored = EntryFile::entryFromFile(file);
    QVERIFY(stored);
    QCOMPARE(stored->title(), QStringLiteral("Not on disk yet"));

    QTest::qWait(0);
    accounts.removeAccount(account.get());
}

void tst_AppControl::pluginInstallRestartsOnRequestOnly()
{
    QTest::qWait(0);
    const QString bundle = plumet::test::makePluginBundle(
        m_files.path(), QStringLiteral("Mine.BlogSystem"),
        QStringLiteral(PLUMET_FIXTURE_PLUGINS "/libfixture_blog_builtin.so"),
        QStringLiteral("FakeBlogSystem"));
    const auto installAndAskForRestart = [&] {
        m_control->openFile(bundle);
        PluginInstaller* installer = m_control->pluginInstaller();
        QTRY_VERIFY(installer->dialog());
        QCOMPARE(installer->dialog()->objectName(), QStringLiteral("pluginInstallQuestion"));
        click(installer->dialog(), QStringLiteral("Install"));
        QTRY_COMPARE(installer->dialog()->objectName(), QStringLiteral("pluginInstallSucceeded"));
        click(installer->dialog(), QStringLiteral("Restart Now"));
    };
    // The restart goes through the normal quit: with a job running it asks,
    // and a cancelled quit cancels the restart.
    startJob();
    const int quitsBefore = m_quits;
    installAndAskForRestart();
    QVERIFY(QFile::exists(QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME")) +
                          QStringLiteral("/plumet3/blogsystems/Mine.BlogSystem/libplugin.so")));
    QTRY_VERIFY(m_control->quitAlert());
    QVERIFY(m_control->restartRequested());
    click(m_control->quitAlert(), QStringLiteral("Cancel"));
    QTRY_VERIFY(!m_control->quitAlert());
    QVERIFY(!m_control->restartRequested());
    QCOMPARE(m_quits, quitsBefore);
    endJob();

    QTest::qWait(0);
    installAndAskForRestart();
    QTRY_COMPARE(m_quits, quitsBefore + 1);
    QVERIFY(m_control->restartRequested());
    // The new instance is started only at termination.
    QCOMPARE(m_restarts, 0);
}

void tst_AppControl::cleanUpsRunOnce()
{
    int goingToQuit = 0;
    QObject observer;
    NotificationCenter::sharedInstance().observe(
        QStringLiteral("goingToQuitNotification"), &observer,
        [&goingToQuit](const Notification&) { ++goingToQuit; });
    QFile::remove(Stationeries::defaultPath());
    QSignalSpy terminated(m_control.get(), &AppControl::terminated);
    m_control->applicationWillTerminate();
    m_control->applicationWillTerminate();
    QCOMPARE(goingToQuit, 1);
    QCOMPARE(terminated.size(), 1);
    QCOMPARE(m_restarts, 1);
    QVERIFY(QFile::exists(Stationeries::defaultPath()));
    // Nothing asks any more.
    m_control->requestQuit();
    QVERIFY(!m_control->quitAlert());
    m_control.reset();
    QDBusConnection::disconnectFromBus(QStringLiteral("client"));
}

int main(int argc, char** argv)
{
    plumet::test::ensurePrivateSessionBus(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("plumet"));
    QApplication::setOrganizationName(QStringLiteral("plumet"));
    tst_AppControl test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_appcontrol.moc"
