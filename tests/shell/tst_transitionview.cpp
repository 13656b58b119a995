#include "CoverPicture.h"
#include "TransitionView.h"

#include <QElapsedTimer>
#include <QPainter>
#include <QTest>

namespace {

QImage grey(const QSize& size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(60, 60, 60));
    return image;
}

// The view drawn at phase t over a grey screen.
QImage frameAt(double t)
{
    TransitionView view;
    view.resize(400, 300);
    view.setSourceImage(grey(view.size()));
    view.setCoverImage(views::coverPicture());
    QImage frame(view.size(), QImage::Format_ARGB32_Premultiplied);
    frame.fill(Qt::transparent);
    QPainter painter(&frame);
    view.paintAt(painter, t);
    return frame;
}

} // namespace

class tst_TransitionView : public QObject {
    Q_OBJECT
private slots:
    void withoutACaptureItEndsAtOnce();
    void coverPictureShowsOnlyMidway_data();
    void coverPictureShowsOnlyMidway();
    void flashWhitensAndClears();
    void aRunEndsOnceAfterAboutTwoSeconds();
};

void tst_TransitionView::withoutACaptureItEndsAtOnce()
{
    TransitionController controller;
    controller.view()->setScreenCaptureFunction([](const QRect&) { return QImage(); });
    int ends = 0;
    controller.start([&](TransitionController* c) {
        QCOMPARE(c, &controller);
        ++ends;
    });
    QCOMPARE(ends, 1);
    QVERIFY(!controller.view()->isRunning());
    QVERIFY(!controller.view()->isVisible());
}

void tst_TransitionView::coverPictureShowsOnlyMidway_data()
{
    QTest::addColumn<double>("t");
    QTest::addColumn<bool>("shown");
    QTest::newRow("first 0.15 s") << 0.06 << false;
    QTest::newRow("early") << 0.1 << true;
    QTest::newRow("midway") << 0.2 << true;
    QTest::newRow("last frame") << 0.9 << true;
    QTest::newRow("after") << 0.95 << false;
}

void tst_TransitionView::coverPictureShowsOnlyMidway()
{
    QFETCH(double, t);
    QFETCH(bool, shown);
    // Before the flash (t <= 0.22) the screen shows as it is, so any change
    // there is the cover picture; later compare with the bare flash.
    const QImage frame = frameAt(t);
    QImage bare =
        t > 0.22 ? TransitionView::imageAtTime(grey(QSize(400, 300)), t) : grey(QSize(400, 300));
    bool differs = false;
    for (int y = 0; y < frame.height() && !differs; ++y)
        for (int x = 0; x < frame.width() && !differs; ++x)
            differs = frame.pixel(x, y) != bare.pixel(x, y);
    QCOMPARE(differs, shown);
}

void tst_TransitionView::flashWhitensAndClears()
{
    const QImage screen = grey(QSize(200, 100));
    // Midway the flash covers the screen; near its end it has nearly faded.
    const QImage middle = TransitionView::imageAtTime(screen, 0.6);
    QCOMPARE(QColor(middle.pixel(100, 35)), QColor(Qt::white));
    const QImage late = TransitionView::imageAtTime(screen, 0.9);
    QVERIFY(qRed(late.pixel(5, 5)) < 120);
    // At its start only a point at its centre.
    const QImage early = TransitionView::imageAtTime(screen, 0.05);
    QCOMPARE(QColor(early.pixel(5, 5)), QColor(60, 60, 60));
}

void tst_TransitionView::aRunEndsOnceAfterAboutTwoSeconds()
{
    TransitionController controller;
    controller.view()->setScreenCaptureFunction([](const QRect& area) {
        return grey(area.size().isEmpty() ? QSize(640, 480) : area.size());
    });
    int ends = 0;
    QElapsedTimer clock;
    clock.start();
    controller.start([&](TransitionController*) { ++ends; });
    QVERIFY(controller.view()->isRunning());
    QTRY_COMPARE_WITH_TIMEOUT(ends, 1, 10000);
    const qint64 took = clock.elapsed();
    QVERIFY2(took > 2000 && took < 6000, qPrintable(QString::number(took)));
    QVERIFY(!controller.view()->isVisible());
    QTest::qWait(100);
    QCOMPARE(ends, 1);
}

QTEST_MAIN(tst_TransitionView)
#include "tst_transitionview.moc"
