#include "DraftPaneStack.h"
#include "DraftTesting.h"
#include "DraftWindowLayout.h"
#include "RVDraftWindow.h"

#include <QTest>
#include <cmath>
#include <limits>

using namespace plumet::test;

namespace {

const QString heightKey = QStringLiteral("summary_height");

double storedHeight()
{
    return UserDefaults::sharedInstance().real(heightKey);
}

} // namespace

// The divider between a draft's main pane and its lower pane: the drag, the
// window resize and the stored height.
class tst_DraftDivider : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void dragArithmetic_data();
    void dragArithmetic();
    void fitArithmetic_data();
    void fitArithmetic();
    void theBarRightOfTheSegmentsDrags();
    void aShortWindowKeepsTheMainPane_data();
    void aShortWindowKeepsTheMainPane();
    void theStoredHeightIsCheckedAtSetUp_data();
    void theStoredHeightIsCheckedAtSetUp();

private:
    // A draft of the blog system with extended text and summary, its lower
    // pane shown, in a window of `height`.
    Draft* openExpanded(int height);

    std::unique_ptr<DraftWorld> m_world;
};

void tst_DraftDivider::init()
{
    UserDefaults::sharedInstance().remove(QStringLiteral("shouldAutoSave"));
    UserDefaults::sharedInstance().remove(heightKey);
    m_world = std::make_unique<DraftWorld>();
    DraftWorld::useFakeRichEditors();
}

void tst_DraftDivider::cleanup()
{
    m_world.reset();
    UserDefaults::sharedInstance().remove(heightKey);
}

Draft* tst_DraftDivider::openExpanded(int height)
{
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->full);
    const EntryPtr entry =
        DraftWorld::addEntry(blog, QStringLiteral("A walk"), QStringLiteral("<p>Out.</p>"),
                             QStringLiteral("<p>More.</p>"), QStringLiteral("Short."));
    Draft* draft = DraftController::sharedInstance().openDraft(entry);
    if (!draft)
        return nullptr;
    draft->window()->resize(780, height);
    if (!QTest::qWaitForWindowExposed(draft->window()))
        return nullptr;
    if (draft->layout().paneStack()->isCollapsed())
        draft->layout().paneStack()->closureAction();
    QCoreApplication::processEvents();
    return draft;
}

void tst_DraftDivider::dragArithmetic_data()
{
    QTest::addColumn<int>("upper");
    QTest::addColumn<int>("lower");
    QTest::addColumn<int>("minHeight");
    QTest::addColumn<int>("delta");
    QTest::addColumn<int>("expected"); // -1: the divider stays

    QTest::newRow("up") << 300 << 160 << 64 << 20 << 180;
    QTest::newRow("down") << 300 << 160 << 64 << -50 << 110;
    QTest::newRow("still") << 300 << 160 << 64 << 0 << 160;
    QTest::newRow("lower one above the least") << 300 << 160 << 64 << -95 << 65;
    QTest::newRow("lower at the least") << 300 << 160 << 64 << -96 << -1;
    QTest::newRow("lower past the least") << 300 << 160 << 64 << -400 << -1;
    QTest::newRow("main one above the least") << 300 << 160 << 64 << 235 << 395;
    QTest::newRow("main at the least") << 300 << 160 << 64 << 236 << -1;
    QTest::newRow("a panel's own least") << 300 << 160 << 120 << -40 << -1;
    QTest::newRow("a panel's own least, above") << 300 << 160 << 120 << -39 << 121;
}

void tst_DraftDivider::dragArithmetic()
{
    QFETCH(int, upper);
    QFETCH(int, lower);
    QFETCH(int, minHeight);
    QFETCH(int, delta);
    QFETCH(int, expected);
    const std::optional<int> moved =
        DraftPaneStack::draggedLowerHeight(upper, lower, minHeight, delta);
    QCOMPARE(moved.value_or(-1), expected);
}

void tst_DraftDivider::fitArithmetic_data()
{
    QTest::addColumn<int>("available");
    QTest::addColumn<int>("lower");
    QTest::addColumn<int>("minHeight");
    QTest::addColumn<int>("expected");

    QTest::newRow("fits") << 500 << 160 << 64 << 160;
    QTest::newRow("exactly") << 224 << 160 << 64 << 160;
    QTest::newRow("below its least, pushed up") << 500 << 30 << 64 << 64;
    // The lower pane gives way first: the main pane keeps its least height.
    QTest::newRow("short: the lower pane gives way") << 200 << 160 << 64 << 136;
    QTest::newRow("shorter than both panes") << 100 << 160 << 64 << 36;
    QTest::newRow("no room at all") << 50 << 160 << 64 << 0;
    QTest::newRow("stored far too high") << 500 << 5000 << 64 << 436;
    QTest::newRow("a panel's own least") << 250 << 160 << 120 << 130;
}

void tst_DraftDivider::fitArithmetic()
{
    QFETCH(int, available);
    QFETCH(int, lower);
    QFETCH(int, minHeight);
    QFETCH(int, expected);
    QCOMPARE(DraftPaneStack::fittedLowerHeight(available, lower, minHeight), expected);
}

void tst_DraftDivider::theBarRightOfTheSegmentsDrags()
{
    Draft* draft = openExpanded(640);
    QVERIFY(draft);
    DraftPaneStack* stack = draft->layout().paneStack();
    QCOMPARE(stack->lowerHeight(), 160);
    QCOMPARE(stack->bottomView()->height(), 160);
    QWidget* area = stack->dragArea();
    QVERIFY(area->isVisible());
    QVERIFY(area->width() > 100);
    // It lies right of the segments.
    for (QAbstractButton* segment : stack->findChildren<QAbstractButton*>()) {
        if (segment->isVisible() && segment->parentWidget() == area->parentWidget())
            QVERIFY(segment->geometry().right() < area->geometry().left());
    }
    const QPoint grip(area->width() / 2, area->height() / 2);
    // The bar moves with the mouse: each step goes to where the mouse is on the screen.
    const auto dragBy = [area, grip](const QList<int>& offsets) {
        const QPoint start = area->mapToGlobal(grip);
        QTest::mousePress(area, Qt::LeftButton, {}, grip);
        for (const int offset : offsets)
            QTest::mouseMove(area, area->mapFromGlobal(start + QPoint(0, offset)));
        QTest::mouseRelease(area, Qt::LeftButton, {},
                            area->mapFromGlobal(start + QPoint(0, offsets.last())));
    };

    // Up by 40: the lower pane grows by as much, the main pane gives it up.
    const int mainBefore = stack->topView()->height();
    dragBy({-10, -20, -30, -40});
    QCOMPARE(stack->lowerHeight(), 200);
    QCOMPARE(stack->bottomView()->height(), 200);
    QCOMPARE(stack->topView()->height(), mainBefore - 40);
    QCOMPARE(storedHeight(), 200.0);

    // Far down: the divider stops above the lower pane's least height.
    QList<int> down;
    for (int step = 1; step <= 30; ++step)
        down.append(10 * step);
    dragBy(down);
    QVERIFY2(stack->lowerHeight() > 64 && stack->lowerHeight() <= 74,
             qPrintable(QString::number(stack->lowerHeight())));
    QCOMPARE(storedHeight(), double(stack->lowerHeight()));
    saveScreenshot(draft->window(), QStringLiteral("draft-divider-dragged"));

    // A move without a press on the bar moves nothing; neither does a drag
    // while the lower pane is collapsed.
    const int kept = stack->lowerHeight();
    QTest::mouseMove(area, grip - QPoint(0, 50));
    QCOMPARE(stack->lowerHeight(), kept);
    stack->closureAction();
    QVERIFY(stack->isCollapsed());
    dragBy({-50});
    stack->closureAction();
    QCOMPARE(stack->lowerHeight(), kept);
    QCOMPARE(stack->bottomView()->height(), kept);
}

void tst_DraftDivider::aShortWindowKeepsTheMainPane_data()
{
    QTest::addColumn<int>("windowHeight");
    QTest::newRow("tall") << 900;
    QTest::newRow("medium") << 420;
    QTest::newRow("short") << 330;
    QTest::newRow("below the least") << 100;
}

void tst_DraftDivider::aShortWindowKeepsTheMainPane()
{
    QFETCH(int, windowHeight);
    UserDefaults::sharedInstance().setValue(heightKey, 300.0);
    Draft* draft = openExpanded(700);
    QVERIFY(draft);
    DraftPaneStack* stack = draft->layout().paneStack();
    QCOMPARE(stack->lowerHeight(), 300);

    RVDraftWindow* window = draft->window();
    window->resize(780, windowHeight);
    QTRY_COMPARE(window->height(), std::max(windowHeight, window->minimumHeight()));
    QCoreApplication::processEvents();
    // The window gets no shorter than room for both panes at their least.
    QVERIFY(stack->height() >= 64 + 21 + 64);

    const int available = stack->height() - 21;
    const int expected = std::min(300, available - 64);
    QCOMPARE(stack->lowerHeight(), expected);
    QVERIFY(stack->lowerHeight() >= 64);
    QCOMPARE(stack->bottomView()->height(), expected);
    QVERIFY2(stack->topView()->height() >= 64,
             qPrintable(QString::number(stack->topView()->height())));
    QTRY_COMPARE(storedHeight(), double(expected));
    if (windowHeight < 200)
        saveScreenshot(window, QStringLiteral("draft-divider-shortest"));
}

void tst_DraftDivider::theStoredHeightIsCheckedAtSetUp_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<int>("expected"); // -1: as much as the window leaves

    QTest::newRow("none") << QVariant() << 160;
    QTest::newRow("a height") << QVariant(220.0) << 220;
    QTest::newRow("higher than the window") << QVariant(5000.0) << -1;
    QTest::newRow("below the least") << QVariant(10.0) << 64;
    QTest::newRow("negative") << QVariant(-40.0) << 160;
    QTest::newRow("not a number") << QVariant(std::numeric_limits<double>::quiet_NaN()) << 160;
    QTest::newRow("astronomic") << QVariant(1e30) << 160;
    QTest::newRow("text") << QVariant(QStringLiteral("tall")) << 160;
}

void tst_DraftDivider::theStoredHeightIsCheckedAtSetUp()
{
    QFETCH(QVariant, stored);
    QFETCH(int, expected);
    if (stored.isValid())
        UserDefaults::sharedInstance().setValue(heightKey, stored);
    Draft* draft = openExpanded(560);
    QVERIFY(draft);
    DraftPaneStack* stack = draft->layout().paneStack();
    const int fitted = stack->height() - 21 - 64;
    QCOMPARE(stack->lowerHeight(), expected < 0 ? fitted : expected);
    QCOMPARE(stack->bottomView()->height(), stack->lowerHeight());
    QVERIFY(stack->topView()->height() >= 64);
}

QTEST_MAIN(tst_DraftDivider)
#include "tst_draftdivider.moc"
