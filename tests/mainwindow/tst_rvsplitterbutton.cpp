#include "RVSplitterButton.h"
#include "UserDefaults.h"

#include <QLabel>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QTest>

using Edge = RVSplitterButton::Edge;
using Step = RVSplitterButton::DragStep;

class tst_RVSplitterButton : public QObject {
    Q_OBJECT
private slots:
    void layout();
    void growth_data();
    void growth();
    void drag_data();
    void drag();
    void showingWidensATightWindow();
    void savedHiddenStateWinsOverTheDelegate();
    void delegateMayKeepTheSideViewHidden();
    void dragNarrowerStopsAtTheLastAcceptedWidth();
    void dragPastTheMainMinimumFlipsTheEdge();
    void toggleKeepsStateAndMinimumSize();

private:
    struct Window {
        QMainWindow window;
        QLabel* side = new QLabel(QStringLiteral("side"));
        QLabel* main = new QLabel(QStringLiteral("main"));
        RVSplitterButton* splitter;
        Window(UserDefaults& defaults, int width)
        {
            splitter =
                new RVSplitterButton(QStringLiteral("Blogs"), side, main, nullptr, &defaults);
            window.setCentralWidget(splitter);
            window.resize(width, 400);
            window.show();
        }
    };
    QTemporaryDir m_dir;
    std::unique_ptr<UserDefaults> freshDefaults()
    {
        static int n = 0;
        return std::make_unique<UserDefaults>(m_dir.filePath(QStringLiteral("d%1.conf").arg(++n)));
    }
};

void tst_RVSplitterButton::layout()
{
    const QRect area(0, 0, 600, 400);
    const QSize button(18, 20);
    const auto left = RVSplitterButton::layoutFor(area, true, 150, Edge::Left, button);
    QCOMPARE(left.side, QRect(0, 0, 150, 400));
    QCOMPARE(left.main, QRect(150, 0, 450, 400));
    QCOMPARE(left.button.x(), 150 - 18 - 5);
    QCOMPARE(left.button.bottom(), 400 - 1 - 2);

    const auto right = RVSplitterButton::layoutFor(area, true, 150, Edge::Right, button);
    QCOMPARE(right.main, QRect(0, 0, 450, 400));
    QCOMPARE(right.side, QRect(450, 0, 150, 400));
    QCOMPARE(right.button.x(), 450 + 5);

    const auto hidden = RVSplitterButton::layoutFor(area, false, 150, Edge::Left, button);
    QCOMPARE(hidden.main, area);
    QVERIFY(hidden.side.isEmpty());
}

void tst_RVSplitterButton::growth_data()
{
    QTest::addColumn<int>("mainWidth");
    QTest::addColumn<int>("sideWidth");
    QTest::addColumn<int>("growth");
    QTest::newRow("400 wide main, 150 side") << 400 << 150 << 70;
    QTest::newRow("room enough") << 600 << 150 << 0;
    QTest::newRow("exactly enough") << 470 << 150 << 0;
}

void tst_RVSplitterButton::growth()
{
    QFETCH(int, mainWidth);
    QFETCH(int, sideWidth);
    QFETCH(int, growth);
    QCOMPARE(RVSplitterButton::growthToShow(mainWidth, sideWidth), growth);
}

void tst_RVSplitterButton::drag_data()
{
    QTest::addColumn<int>("side");
    QTest::addColumn<int>("main");
    QTest::addColumn<int>("movedBy");
    QTest::addColumn<Edge>("edge");
    QTest::addColumn<Step>("step");
    QTest::newRow("left edge, mouse right widens")
        << 150 << 450 << -30 << Edge::Left << Step{Step::Resized, 180};
    QTest::newRow("left edge, mouse left narrows")
        << 150 << 450 << 20 << Edge::Left << Step{Step::Resized, 130};
    QTest::newRow("left edge, below 126 refused")
        << 130 << 450 << 5 << Edge::Left << Step{Step::Refused, 130};
    QTest::newRow("exactly 126 accepted")
        << 130 << 450 << 4 << Edge::Left << Step{Step::Resized, 126};
    QTest::newRow("left edge, main below 320 flips")
        << 250 << 330 << -11 << Edge::Left << Step{Step::Flipped, 126};
    QTest::newRow("right edge, mouse left widens")
        << 150 << 450 << 30 << Edge::Right << Step{Step::Resized, 180};
    QTest::newRow("right edge, main below 320 flips")
        << 150 << 325 << 6 << Edge::Right << Step{Step::Flipped, 126};
    QTest::newRow("right edge, below 126 refused")
        << 126 << 450 << -1 << Edge::Right << Step{Step::Refused, 126};
}

void tst_RVSplitterButton::drag()
{
    QFETCH(int, side);
    QFETCH(int, main);
    QFETCH(int, movedBy);
    QFETCH(Edge, edge);
    QFETCH(Step, step);
    QCOMPARE(RVSplitterButton::dragStep(side, main, movedBy, edge), step);
}

void tst_RVSplitterButton::showingWidensATightWindow()
{
    auto defaults = freshDefaults();
    defaults->setValue(QStringLiteral("Blogs_state"), 1);
    Window w(*defaults, 400);
    QVERIFY(QTest::qWaitForWindowExposed(&w.window));
    QCOMPARE(w.splitter->width(), 400);
    w.splitter->toggleViews();
    QCOMPARE(w.window.width(), 470);
    QCOMPARE(w.main->width(), 320);
    QCOMPARE(w.side->width(), 150);
    QCOMPARE(w.window.minimumSize(), QSize(446, 380));
}

void tst_RVSplitterButton::savedHiddenStateWinsOverTheDelegate()
{
    auto defaults = freshDefaults();
    defaults->setValue(QStringLiteral("Blogs_state"), 1);
    Window w(*defaults, 700);
    w.splitter->setShouldDisplaySidebar([] { return true; });
    w.splitter->restoreFromPrefs();
    QVERIFY(!w.splitter->isSideShown());
    QVERIFY(!w.side->isVisible());
}

void tst_RVSplitterButton::delegateMayKeepTheSideViewHidden()
{
    auto defaults = freshDefaults();
    Window w(*defaults, 700);
    w.splitter->setShouldDisplaySidebar([] { return false; });
    w.splitter->restoreFromPrefs();
    QVERIFY(!w.splitter->isSideShown());
    w.splitter->setShouldDisplaySidebar({});
    w.splitter->restoreFromPrefs();
    QVERIFY(w.splitter->isSideShown());
    QCOMPARE(w.side->geometry(), QRect(0, 0, 150, w.splitter->height()));
}

void tst_RVSplitterButton::dragNarrowerStopsAtTheLastAcceptedWidth()
{
    auto defaults = freshDefaults();
    Window w(*defaults, 700);
    w.splitter->restoreFromPrefs();
    w.splitter->resizeViews(20); // 130
    w.splitter->resizeViews(10); // would be 120: refused
    QCOMPARE(w.splitter->sideWidth(), 130);
    QCOMPARE(w.side->width(), 130);
    QCOMPARE(defaults->real(QStringLiteral("Blogs_size")), 130.0);
}

void tst_RVSplitterButton::dragPastTheMainMinimumFlipsTheEdge()
{
    auto defaults = freshDefaults();
    Window w(*defaults, 600);
    w.splitter->restoreFromPrefs();
    w.splitter->resizeViews(-130); // side 280, main 320
    QCOMPARE(w.splitter->sideWidth(), 280);
    w.splitter->resizeViews(-1);
    QCOMPARE(w.splitter->edge(), Edge::Right);
    QCOMPARE(w.splitter->sideWidth(), 126);
    QCOMPARE(w.side->geometry().right(), w.splitter->width() - 1);
    QCOMPARE(w.main->geometry().x(), 0);
    QCOMPARE(defaults->integer(QStringLiteral("Blogs_pos")), 1);
}

void tst_RVSplitterButton::toggleKeepsStateAndMinimumSize()
{
    auto defaults = freshDefaults();
    Window w(*defaults, 700);
    w.splitter->restoreFromPrefs();
    QCOMPARE(defaults->integer(QStringLiteral("Blogs_state")), 0);
    w.splitter->toggleViews();
    QVERIFY(!w.side->isVisible());
    QCOMPARE(w.main->geometry(), w.splitter->rect());
    QCOMPARE(defaults->integer(QStringLiteral("Blogs_state")), 1);
    QCOMPARE(w.window.minimumSize(), QSize(320, 380));
}

QTEST_MAIN(tst_RVSplitterButton)
#include "tst_rvsplitterbutton.moc"
