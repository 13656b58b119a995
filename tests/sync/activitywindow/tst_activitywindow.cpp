#include "Account.h"
#include "ActivityController.h"
#include "ActivityList.h"
#include "ActivityZoom.h"
#include "DarkPalette.h"
#include "ManualClock.h"
#include "RVActivityView.h"
#include "SupportPage.h"
#include "UserDefaults.h"

#include <QDesktopServices>
#include <QDir>
#include <QHelpEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

using plumet::test::ManualClock;

// Stands in for the web browser.
class BrowserStandIn : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

class tst_ActivityWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void zoomFrame_data();
    void zoomFrame();
    void rowLayout();
    void buttonsActByRowState();
    void lookUpOpensTheSupportPage();
    void rolloverLooks_data();
    void rolloverLooks();
    void toolTips_data();
    void toolTips();
    void clicksAndKeysReachTheSelection();
    void clearButtonAndCount();
    void anErrorBringsTheWindowForward();
    void requiredSize();
    void openAtQuitIsRemembered();
    void screenshot();
    void readsInADarkPalette();

private:
    ActivityList& list() { return ActivityList::sharedInstance(); }
    ActivityItem* addRow(const QString& status, bool starts = true);
    QPoint centreOf(const QRect& rect) { return rect.center(); }
    // A running row at the top, an error row below it, in the shown, active window.
    RVActivityView* showRunningAndErrorRows();

    ManualClock clock;
    Account account;
};

void tst_ActivityWindow::initTestCase()
{
    list().setClock(&clock);
    account.setTitle(QStringLiteral("Travel notes"));
    ActivityController::install();
}

void tst_ActivityWindow::init()
{
    ActivityController::sharedInstance()->window()->resize(360, 320);
}

void tst_ActivityWindow::cleanup()
{
    while (list().count() > 0)
        list().removeItemAt(0);
    list().deselectAll();
}

ActivityItem* tst_ActivityWindow::addRow(const QString& status, bool starts)
{
    ActivityItem* row = list().newActivity(&account, status, [starts] { return starts; });
    row->callAction();
    return row;
}

void tst_ActivityWindow::zoomFrame_data()
{
    // Rectangles count y upwards; the screen area is 1000 × 800 above a 40-point dock.
    QTest::addColumn<QRect>("window");
    QTest::addColumn<int>("listHeight");
    QTest::addColumn<int>("required");
    QTest::addColumn<int>("width");
    QTest::addColumn<QRect>("expected");
    const QRect screen(0, 40, 1000, 800);
    QTest::newRow("grows downwards, top edge kept")
        << QRect(100, 400, 300, 200) << 150 << 250 << 320 << QRect(100, 300, 320, 300);
    QTest::newRow("shrinks to its rows")
        << QRect(100, 400, 300, 200) << 150 << 50 << 240 << QRect(100, 500, 240, 100);
    QTest::newRow("too wide: moved left")
        << QRect(900, 400, 300, 200) << 150 << 150 << 400 << QRect(580, 400, 400, 200);
    QTest::newRow("wider than the screen")
        << QRect(10, 400, 300, 200) << 150 << 150 << 1200 << QRect(0, 400, 1000, 200);
    QTest::newRow("top above the screen: moved down")
        << QRect(100, 700, 300, 200) << 150 << 150 << 240 << QRect(100, 620, 240, 200);
    QTest::newRow("taller than the screen: kept above the dock")
        << QRect(100, 500, 300, 200) << 150 << 2000 << 240 << QRect(100, 40, 240, 660);
    QTest::newRow("top above and taller than the screen")
        << QRect(100, 700, 300, 200) << 150 << 2000 << 240 << QRect(100, 40, 240, 720);
}

void tst_ActivityWindow::zoomFrame()
{
    QFETCH(QRect, window);
    QFETCH(int, listHeight);
    QFETCH(int, required);
    QFETCH(int, width);
    QFETCH(QRect, expected);
    QCOMPARE(
        ActivityZoom::standardFrame(window, listHeight, required, width, QRect(0, 40, 1000, 800)),
        expected);
    // And back and forth between Qt's downward rectangles.
    const QRect qt(10, 20, 300, 200);
    QCOMPARE(ActivityZoom::fromScreen(qt, 900), QRect(10, 680, 300, 200));
    QCOMPARE(ActivityZoom::toScreen(ActivityZoom::fromScreen(qt, 900), 900), qt);
}

void tst_ActivityWindow::rowLayout()
{
    const QRect row(0, 100, 300, 50);
    QCOMPARE(RVActivityItem::statusRect(row), QRect(6, 102, 294, 14));
    QCOMPARE(RVActivityItem::progressRect(row), QRect(6, 120, 270, 12));
    QCOMPARE(RVActivityItem::stopButtonRect(row), QRect(280, 118, 14, 14));
    QCOMPARE(RVActivityItem::errorRect(row), QRect(6, 118, 270, 26));
    QCOMPARE(RVActivityItem::subStatusRect(row), QRect(6, 134, 270, 14));
    QCOMPARE(RVActivityItem::lookupButtonRect(row), QRect(7, 132, 14, 14));
    using Button = RVActivityItem::Button;
    QCOMPARE(RVActivityItem::buttonAt(row, QPoint(285, 125), false), Button::Stop);
    QCOMPARE(RVActivityItem::buttonAt(row, QPoint(10, 138), false), Button::None);
    QCOMPARE(RVActivityItem::buttonAt(row, QPoint(10, 138), true), Button::Lookup);
}

void tst_ActivityWindow::buttonsActByRowState()
{
    ActivityController* controller = ActivityController::sharedInstance();
    controller->showWindow();
    RVActivityView* view = controller->activityView();
    ActivityItem* running = addRow(QStringLiteral("Publishing \"Spring\"..."));
    ActivityItem* waiting = addRow(QStringLiteral("Deleting \"Winter\"..."), false);
    ActivityItem* failed = addRow(QStringLiteral("Uploading \"map.png\"..."));
    failed->setError(QStringLiteral("Forbidden"));
    QStringList heard;
    connect(running, &ActivityItem::cancelRequested, this, [&] { heard << "cancel"; });
    connect(waiting, &ActivityItem::withdrawn, this, [&] { heard << "withdrawn"; });
    connect(failed, &ActivityItem::clearRequested, this, [&] { heard << "clear"; });

    auto pressStop = [&](int row) {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                          centreOf(RVActivityItem::stopButtonRect(view->rowRect(row))));
    };
    pressStop(2); // the error row's clear button
    pressStop(1); // the waiting row
    pressStop(0); // the running row: asked to stop, removed by its job
    QCOMPARE(heard, (QStringList{"clear", "withdrawn", "cancel"}));
    QCOMPARE(list().count(), 1);
    QCOMPARE(list().itemAt(0), running);

    // A press released elsewhere does nothing.
    const QPoint stop = centreOf(RVActivityItem::stopButtonRect(view->rowRect(0)));
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, stop);
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, QPoint(20, 5));
    QCOMPARE(heard.size(), 3);
}

void tst_ActivityWindow::lookUpOpensTheSupportPage()
{
    BrowserStandIn browser;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &browser, "open");
    SupportPage::setAddress(QUrl(QStringLiteral("https://help.example.org/plumet")));
    RVActivityView* view = ActivityController::sharedInstance()->activityView();
    ActivityItem* failed = addRow(QStringLiteral("Publishing"));
    failed->setError(QStringLiteral("The server said \"no\"."));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      centreOf(RVActivityItem::lookupButtonRect(view->rowRect(0))));
    QCOMPARE(browser.opened, QList<QUrl>{QUrl(QStringLiteral("https://help.example.org/plumet"))});
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
}

RVActivityView* tst_ActivityWindow::showRunningAndErrorRows()
{
    ActivityController* controller = ActivityController::sharedInstance();
    addRow(QStringLiteral("Publishing \"Spring\"..."));
    addRow(QStringLiteral("Deleting \"Winter\"..."))->setError(QStringLiteral("Forbidden"));
    controller->showWindow();
    if (!QTest::qWaitForWindowActive(controller->window()))
        return nullptr;
    return controller->activityView();
}

namespace {

using Button = RVActivityItem::Button;
using Look = RVActivityItem::Look;

void sendMouse(QWidget* viewport, QEvent::Type type, const QPoint& at, Qt::MouseButton button)
{
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::MouseButtons();
    QMouseEvent event(type, at, viewport->mapToGlobal(at), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &event);
}

} // namespace

void tst_ActivityWindow::rolloverLooks_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<Button>("button");
    QTest::newRow("stop of a running row") << 0 << Button::Stop;
    QTest::newRow("clear of an error row") << 1 << Button::Stop;
    QTest::newRow("look-up of an error row") << 1 << Button::Lookup;
}

// A button lights up under the mouse in the active window, darkens while
// pressed over it, and looks as before once the mouse is elsewhere.
void tst_ActivityWindow::rolloverLooks()
{
    QFETCH(int, row);
    QFETCH(Button, button);
    RVActivityView* view = showRunningAndErrorRows();
    QVERIFY(view);
    QWidget* viewport = view->viewport();
    const bool errorRow = row == 1;
    const QRect rect = button == Button::Stop
                           ? RVActivityItem::stopButtonRect(view->rowRect(row))
                           : RVActivityItem::lookupButtonRect(view->rowRect(row));
    // A point of the button's disc that none of its white marks cover.
    const QPoint probe(2, 7);
    auto shownLook = [&] {
        const QRgb shown = viewport->grab().toImage().pixel(rect.topLeft() + probe);
        for (Look look : {Look::Normal, Look::Rollover, Look::Pressed}) {
            if (RVActivityItem::buttonImage(button, errorRow, look).toImage().pixel(probe) == shown)
                return int(look);
        }
        return -1;
    };
    const QPoint elsewhere = RVActivityItem::statusRect(view->rowRect(row)).center();

    QCOMPARE(shownLook(), int(Look::Normal));
    sendMouse(viewport, QEvent::MouseMove, rect.center(), Qt::NoButton);
    QCOMPARE(shownLook(), int(Look::Rollover));
    sendMouse(viewport, QEvent::MouseMove, elsewhere, Qt::NoButton);
    QCOMPARE(shownLook(), int(Look::Normal));

    // Pressed, dragged off and back, released elsewhere: nothing acts.
    sendMouse(viewport, QEvent::MouseButtonPress, rect.center(), Qt::LeftButton);
    QCOMPARE(shownLook(), int(Look::Pressed));
    sendMouse(viewport, QEvent::MouseMove, elsewhere, Qt::NoButton);
    QCOMPARE(shownLook(), int(Look::Normal));
    sendMouse(viewport, QEvent::MouseMove, rect.center(), Qt::NoButton);
    QCOMPARE(shownLook(), int(Look::Pressed));
    sendMouse(viewport, QEvent::MouseMove, elsewhere, Qt::NoButton);
    sendMouse(viewport, QEvent::MouseButtonRelease, elsewhere, Qt::LeftButton);
    QCOMPARE(list().count(), 2);
    QCOMPARE(shownLook(), int(Look::Normal));

    // The mouse leaving the list puts out the light.
    sendMouse(viewport, QEvent::MouseMove, rect.center(), Qt::NoButton);
    QCOMPARE(shownLook(), int(Look::Rollover));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(view, &leave);
    QCOMPARE(shownLook(), int(Look::Normal));

    // Only the active window lights its buttons; losing the focus puts the light out.
    sendMouse(viewport, QEvent::MouseMove, rect.center(), Qt::NoButton);
    QCOMPARE(shownLook(), int(Look::Rollover));
    QWidget front;
    front.show();
    front.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&front));
    QCOMPARE(shownLook(), int(Look::Normal));
    sendMouse(viewport, QEvent::MouseMove, elsewhere, Qt::NoButton);
    sendMouse(viewport, QEvent::MouseMove, rect.center(), Qt::NoButton);
    QCOMPARE(shownLook(), int(Look::Normal));
}

void tst_ActivityWindow::toolTips_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("part");
    QTest::addColumn<QString>("tip");
    QTest::newRow("stop button") << 0 << "stop"
                                 << "Stop action";
    QTest::newRow("clear button of an error row") << 1 << "stop"
                                                  << "Remove action";
    QTest::newRow("error line") << 1 << "error"
                                << "Forbidden";
    QTest::newRow("status line: none") << 0 << "status"
                                       << "";
}

void tst_ActivityWindow::toolTips()
{
    QFETCH(int, row);
    QFETCH(QString, part);
    QFETCH(QString, tip);
    QToolTip::hideText();
    QTRY_VERIFY(!QToolTip::isVisible());
    RVActivityView* view = showRunningAndErrorRows();
    QVERIFY(view);
    const QRect rowRect = view->rowRect(row);
    const QPoint at =
        part == QLatin1String("stop")    ? RVActivityItem::stopButtonRect(rowRect).center()
        : part == QLatin1String("error") ? RVActivityItem::errorRect(rowRect).center()
                                         : RVActivityItem::statusRect(rowRect).center();
    QHelpEvent help(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(view->viewport(), &help);
    if (tip.isEmpty()) {
        QVERIFY(!QToolTip::isVisible());
    } else {
        QVERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), tip);
    }
}

void tst_ActivityWindow::clicksAndKeysReachTheSelection()
{
    ActivityController* controller = ActivityController::sharedInstance();
    controller->showWindow();
    RVActivityView* view = controller->activityView();
    for (int i = 0; i < 4; ++i)
        addRow(QStringLiteral("Row %1").arg(i));
    auto selected = [&] {
        QList<int> rows;
        for (int i = 0; i < list().count(); ++i)
            if (list().itemAt(i)->isSelected())
                rows << i;
        return rows;
    };
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->rowRect(1).topLeft() + QPoint(40, 5));
    QCOMPARE(selected(), QList<int>{1});
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                      view->rowRect(3).topLeft() + QPoint(40, 5));
    QCOMPARE(selected(), (QList<int>{1, 2, 3}));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      view->rowRect(2).topLeft() + QPoint(40, 5));
    QCOMPARE(selected(), (QList<int>{1, 3}));
    QTest::keyClick(view, Qt::Key_Down);
    QCOMPARE(selected(), QList<int>{2});
    QTest::keyClick(view, Qt::Key_Up);
    QCOMPARE(selected(), QList<int>{1});
    // A click below the rows clears the selection.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      QPoint(40, view->viewport()->height() - 3));
    QCOMPARE(selected(), QList<int>{});
    // Forward Delete clears the selected rows (these run: they are asked to stop).
    int cancels = 0;
    for (ActivityItem* item : list().items())
        connect(item, &ActivityItem::cancelRequested, this, [&] { ++cancels; });
    list().click(0, Qt::NoModifier);
    QTest::keyClick(view, Qt::Key_Delete);
    QTest::keyClick(view, Qt::Key_Backspace);
    QCOMPARE(cancels, 2);
}

void tst_ActivityWindow::clearButtonAndCount()
{
    ActivityController* controller = ActivityController::sharedInstance();
    QCOMPARE(controller->countLabel()->text(), QStringLiteral("0 processes"));
    ActivityItem* failed = addRow(QStringLiteral("Refreshing"));
    QCOMPARE(controller->countLabel()->text(), QStringLiteral("1 process"));
    addRow(QStringLiteral("Pinging"));
    QCOMPARE(controller->countLabel()->text(), QStringLiteral("2 processes"));
    QVERIFY(!controller->clearButton()->isEnabled());
    failed->setError(QString());
    list().click(0, Qt::NoModifier);
    QVERIFY(controller->clearButton()->isEnabled());
    controller->clearButton()->click();
    QCOMPARE(list().count(), 1);
    QCOMPARE(controller->countLabel()->text(), QStringLiteral("1 process"));
    QVERIFY(list().itemAt(0)->isSelected()); // the row that moved up into its place
}

void tst_ActivityWindow::anErrorBringsTheWindowForward()
{
    ActivityController* controller = ActivityController::sharedInstance();
    controller->window()->hide();
    ActivityItem* row = addRow(QStringLiteral("Publishing"));
    QVERIFY(!controller->isWindowVisible());
    row->setError(QStringLiteral("Not Found"));
    QVERIFY(controller->isWindowVisible());
}

void tst_ActivityWindow::requiredSize()
{
    RVActivityView* view = ActivityController::sharedInstance()->activityView();
    QCOMPARE(view->requiredHeight(), 50);
    QCOMPARE(view->requiredWidth(), 240);
    addRow(QStringLiteral("Short"));
    const QString longStatus(80, QLatin1Char('W'));
    addRow(longStatus);
    QCOMPARE(view->requiredHeight(), 100);
    QCOMPARE(view->requiredWidth(), RVActivityItem::requiredWidth(longStatus));
    QVERIFY(view->requiredWidth() > 240);
}

void tst_ActivityWindow::openAtQuitIsRemembered()
{
    UserDefaults& defaults = UserDefaults::sharedInstance();
    defaults.remove(QStringLiteral("activity_open"));
    ActivityController::sharedInstance()->showWindow();
    ActivityController::sharedInstance()->cleanUp();
    QVERIFY(!ActivityController::instanceExists());
    QCOMPARE(defaults.value(QStringLiteral("activity_open")).toBool(), true);

    // The next launch shows it again, without taking the keyboard.
    ActivityController::restoreWindow();
    QVERIFY(ActivityController::instanceExists());
    QVERIFY(ActivityController::sharedInstance()->isWindowVisible());

    ActivityController::sharedInstance()->window()->hide();
    ActivityController::sharedInstance()->cleanUp();
    QCOMPARE(defaults.value(QStringLiteral("activity_open")).toBool(), false);
    ActivityController::restoreWindow();
    QVERIFY(!ActivityController::instanceExists());
    QTest::qWait(0); // let the old controllers go
}

// Writes the window with a queued, a waiting, two running and an error row
// to PLUMET_SCREENSHOTS, when set, for a look by eye.
void tst_ActivityWindow::screenshot()
{
    Account busy;
    busy.setTitle(QStringLiteral("Travel notes"));
    ActivityItem* queued = list().newActivity(
        &busy, QStringLiteral("Retrieving posts of \"Kitchen\"..."), [] { return true; });
    Q_UNUSED(queued);
    addRow(QStringLiteral("Publishing \"A week in Porto\"..."), false);
    ActivityItem* upload = addRow(QStringLiteral("Uploading \"harbour.jpg\"..."));
    upload->setSubStatus(QStringLiteral("Sending 1.2 of 3.4 MB"));
    upload->setDuration(3400);
    upload->setProgress(1200);
    ActivityItem* refresh = addRow(QStringLiteral("Refreshing \"Travel notes\"..."));
    refresh->setSubStatus(QStringLiteral("Receiving the list of blogs"));
    ActivityItem* failed = addRow(QStringLiteral("Deleting \"Draft ideas\"..."));
    failed->setError(QStringLiteral("The server did not answer in time."));
    list().click(2, Qt::NoModifier);

    ActivityController* controller = ActivityController::sharedInstance();
    controller->window()->resize(380, 330);
    controller->showWindow();
    QTest::qWait(120); // a few turns of the bars
    const QImage shot = controller->window()->grab().toImage();
    QCOMPARE(shot.size(), controller->window()->size() * controller->window()->devicePixelRatio());
    const QString folder = qEnvironmentVariable("PLUMET_SCREENSHOTS");
    if (!folder.isEmpty()) {
        QDir().mkpath(folder);
        QVERIFY(shot.save(QDir(folder).filePath(QStringLiteral("activity-window.png"))));
    }
}

// The rows in a dark palette: each row is filled from the palette's base,
// and its texts read on it.
void tst_ActivityWindow::readsInADarkPalette()
{
    const plumet::test::DarkPaletteScope dark;
    addRow(QStringLiteral("Publishing \"A week in Porto\"..."), false);
    ActivityItem* upload = addRow(QStringLiteral("Uploading \"harbour.jpg\"..."));
    upload->setSubStatus(QStringLiteral("Sending 1.2 of 3.4 MB"));
    upload->setDuration(3400);
    upload->setProgress(1200);
    ActivityItem* failed = addRow(QStringLiteral("Deleting \"Draft ideas\"..."));
    failed->setError(QStringLiteral("The server did not answer in time."));
    list().click(1, Qt::NoModifier);

    // A list made in the dark palette, as at a start in a dark desktop.
    RVActivityView view;
    view.setActivityList(&list());
    view.resize(360, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const QImage shot = view.viewport()->grab().toImage();
    const QColor text = view.viewport()->palette().color(QPalette::Text);
    for (int row = 0; row < 3; ++row) {
        const QRect rect = view.visualRect(view.model()->index(row, 0));
        // A point of the row that no text, bar or button covers.
        const QColor filled = shot.pixelColor(rect.right() - 3, rect.top() + 1);
        QVERIFY2(filled.lightness() < 110,
                 qPrintable(QStringLiteral("row %1: %2").arg(row).arg(filled.name())));
        QVERIFY(plumet::test::detail::contrast(filled, text) >= 4.5);
    }
    // Below the rows the list's base shows.
    QVERIFY(shot.pixelColor(5, shot.height() - 3).lightness() < 110);
    if (const QString folder = qEnvironmentVariable("PLUMET_SCREENSHOT_DIR"); !folder.isEmpty())
        view.grab().save(QDir(folder).filePath(QStringLiteral("looks-activity.png")));
}

QTEST_MAIN(tst_ActivityWindow)
#include "tst_activitywindow.moc"
