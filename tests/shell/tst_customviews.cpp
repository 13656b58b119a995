#include "BackgroundViews.h"
#include "CustomWindows.h"
#include "NotificationCenter.h"
#include "RVAnimTabView.h"
#include "RVAnimView.h"
#include "RoundRect.h"
#include "Transition.h"
#include "TransitionPainter.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QTest>

namespace {

// A shown tab view of two labelled pages.
struct TwoPages {
    RVAnimTabView tabs;
    QLabel* first = new QLabel(QStringLiteral("first"));
    QLabel* second = new QLabel(QStringLiteral("second"));
    TwoPages()
    {
        tabs.addWidget(first);
        tabs.addWidget(second);
        tabs.resize(200, 100);
        tabs.show();
    }
};

} // namespace

class tst_CustomViews : public QObject {
    Q_OBJECT
private slots:
    void roundedRectangles_data();
    void roundedRectangles();
    void emptyRectanglesGiveEmptyPaths_data();
    void emptyRectanglesGiveEmptyPaths();
    void clearWindowRefusesTheKeyboardUntilAllowed();
    void veryPlainWindowLetsClicksThrough();
    void animViewDrawsNothingBeforeItIsPrepared();
    void animViewTakesTheEndViewsPlace();
    void tabViewSwitchesAtOnceWithAnUnknownStyle();
    void tabViewPlaysItsTransition();
    void tabViewPicturesHoldItsBackground();
    void horizontalViewFollowsTheSharedColour();
};

void tst_CustomViews::roundedRectangles_data()
{
    QTest::addColumn<QRectF>("rect");
    QTest::addColumn<qreal>("radius");
    QTest::addColumn<QPointF>("inside");
    QTest::addColumn<QPointF>("outside");
    // 10 × 4 with radius 5: corners of radius 2. A point 1.9 from the corner
    // circle's centre is in, one 2.1 away is out.
    QTest::newRow("radius capped")
        << QRectF(0, 0, 10, 4) << qreal(5) << QPointF(0.66, 0.66) << QPointF(0.5, 0.5);
    QTest::newRow("radius as asked")
        << QRectF(10, 10, 100, 60) << qreal(8) << QPointF(13, 13) << QPointF(11, 11);
    QTest::newRow("radius 0: the plain rectangle")
        << QRectF(0, 0, 10, 4) << qreal(0) << QPointF(0.05, 0.05) << QPointF(-0.1, 1);
}

void tst_CustomViews::roundedRectangles()
{
    QFETCH(QRectF, rect);
    QFETCH(qreal, radius);
    QFETCH(QPointF, inside);
    QFETCH(QPointF, outside);
    const QPainterPath path = views::roundedRectPath(rect, radius);
    QCOMPARE(path.boundingRect(), rect);
    QVERIFY(path.contains(inside));
    QVERIFY(!path.contains(outside));
    QVERIFY(path.contains(rect.center()));
}

void tst_CustomViews::emptyRectanglesGiveEmptyPaths_data()
{
    QTest::addColumn<QRectF>("rect");
    QTest::newRow("no width") << QRectF(5, 5, 0, 40);
    QTest::newRow("no height") << QRectF(5, 5, 40, 0);
    QTest::newRow("negative size") << QRectF(5, 5, -10, -10);
}

void tst_CustomViews::emptyRectanglesGiveEmptyPaths()
{
    QFETCH(QRectF, rect);
    for (const qreal radius : {qreal(0), qreal(6)}) {
        QVERIFY(views::roundedRectPath(rect, radius).isEmpty());
        // Nothing is added to a path that holds something already.
        QPainterPath path;
        path.addRect(0, 0, 3, 3);
        const QPainterPath before = path;
        views::appendRoundedRect(path, rect, radius);
        QCOMPARE(path, before);
    }
}

void tst_CustomViews::clearWindowRefusesTheKeyboardUntilAllowed()
{
    RVClearWindow window;
    QVERIFY(!window.canBecomeKeyWindow());
    QVERIFY(window.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    QVERIFY(window.windowFlags().testFlag(Qt::FramelessWindowHint));
    window.show();
    window.setAllowKey(true);
    QVERIFY(window.canBecomeKeyWindow());
    QVERIFY(!window.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    QVERIFY(window.isVisible());
}

void tst_CustomViews::veryPlainWindowLetsClicksThrough()
{
    VeryPlainWindow window;
    QVERIFY(window.windowFlags().testFlag(Qt::WindowTransparentForInput));
    QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(window.testAttribute(Qt::WA_TransparentForMouseEvents));
}

void tst_CustomViews::animViewDrawsNothingBeforeItIsPrepared()
{
    RVAnimView view;
    view.resize(60, 40);
    QVERIFY(!view.transition());
    const QImage picture = view.grab().toImage();
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            QCOMPARE(qAlpha(picture.pixel(x, y)), 0);
}

void tst_CustomViews::animViewTakesTheEndViewsPlace()
{
    QWidget window;
    window.resize(300, 200);
    auto* start = new QLabel(QStringLiteral("start"), &window);
    auto* end = new QLabel(QStringLiteral("end"), &window);
    start->setGeometry(0, 0, 120, 80);
    end->setGeometry(0, 0, 150, 90);
    auto* anim = new RVAnimView(&window);
    window.show();
    anim->prepareAnimation(start, end, views::Dissolve);
    QCOMPARE(anim->geometry(), end->geometry());
    QElapsedTimer clock;
    clock.start();
    anim->startAnimation();
    QVERIFY(clock.elapsed() >= Transition::DurationMs);
    QVERIFY(!anim->transition()->isAnimating());
}

void tst_CustomViews::tabViewSwitchesAtOnceWithAnUnknownStyle()
{
    TwoPages view;
    RVAnimTabView& tabs = view.tabs;
    tabs.setTransitionStyle(12);
    QElapsedTimer clock;
    clock.start();
    tabs.selectTabViewItem(view.second);
    // Played, a transition would have taken its whole duration.
    QVERIFY2(clock.elapsed() < Transition::DurationMs,
             qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(tabs.currentWidget(), view.second);
    QVERIFY(view.second->isVisible());
}

void tst_CustomViews::tabViewPlaysItsTransition()
{
    TwoPages view;
    RVAnimTabView& tabs = view.tabs;
    QVERIFY(QTest::qWaitForWindowExposed(&tabs));
    tabs.setTransitionStyle(views::Cube);
    QElapsedTimer clock;
    clock.start();
    tabs.selectTabViewItemAt(1);
    QVERIFY(clock.elapsed() >= Transition::DurationMs);
    QCOMPARE(tabs.currentWidget(), view.second);
    QVERIFY(view.second->isVisible());
    QVERIFY(!view.first->isVisible());
    QVERIFY(!tabs.transition()->isAnimating());
}

void tst_CustomViews::tabViewPicturesHoldItsBackground()
{
    RVAnimTabView tabs;
    auto* page = new QWidget;
    tabs.addWidget(page);
    tabs.resize(80, 60);
    tabs.show();
    tabs.setBackground(true);
    const QImage picture = views::createCoreImage(page, &tabs);
    QCOMPARE(picture.size(), QSize(80, 60) * tabs.devicePixelRatioF());
    QCOMPARE(picture.pixel(5, 5), tabs.bgColor().rgba());
    tabs.setBackground(false);
    QCOMPARE(qAlpha(views::createCoreImage(page, &tabs).pixel(5, 5)), 0);
}

void tst_CustomViews::horizontalViewFollowsTheSharedColour()
{
    RVHorizontalView view;
    QCOMPARE(view.bgColor(), QColor::fromRgbF(0.62f, 0.78f, 1.0f, 0.18f));
    NotificationCenter::sharedInstance().post(QStringLiteral("colorView1"), nullptr,
                                              {{QStringLiteral("color"), QColor(Qt::darkGreen)}});
    QCOMPARE(view.bgColor(), QColor(Qt::darkGreen));
    NotificationCenter::sharedInstance().post(QStringLiteral("colorView2"), nullptr,
                                              {{QStringLiteral("color"), QColor(Qt::gray)}});
    QCOMPARE(view.bgColor(), QColor(Qt::gray));
}

QTEST_MAIN(tst_CustomViews)
#include "tst_customviews.moc"
