#include "ScreenshotSaver.h"
#include "Transition.h"
#include "TransitionGeometry.h"
#include "TransitionPainter.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <cmath>
#include <numbers>

namespace {

const QColor Red(255, 0, 0), Green(0, 255, 0), Blue(0, 0, 255), Yellow(255, 255, 0);

// A picture whose left half is `left` and right half `right`.
QImage halves(const QSize& size, const QColor& left, const QColor& right)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.fillRect(0, 0, size.width() / 2, size.height(), left);
    painter.fillRect(size.width() / 2, 0, size.width() - size.width() / 2, size.height(), right);
    return image;
}

QImage solid(const QSize& size, const QColor& color)
{
    return halves(size, color, color);
}

// Equal but for the anti-aliased rim where a face's edge meets the canvas's.
bool sameImage(const QImage& a, const QImage& b, int tolerance = 3)
{
    if (a.size() != b.size())
        return false;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) > tolerance ||
                std::abs(qGreen(p) - qGreen(q)) > tolerance ||
                std::abs(qBlue(p) - qBlue(q)) > tolerance ||
                std::abs(qAlpha(p) - qAlpha(q)) > tolerance)
                return false;
        }
    }
    return true;
}

bool near(QRgb actual, const QColor& expected, int tolerance = 2)
{
    return std::abs(qRed(actual) - expected.red()) <= tolerance &&
           std::abs(qGreen(actual) - expected.green()) <= tolerance &&
           std::abs(qBlue(actual) - expected.blue()) <= tolerance &&
           std::abs(qAlpha(actual) - expected.alpha()) <= tolerance;
}

// The corner rule written out once more, from the effect's definition: the
// x where an edge at (px, pz) lands, and its half height.
double edgeX(double px, double pz, double dist, double cx)
{
    return dist * px / pz + cx;
}

// A host that records the eased time of every frame it paints.
class RecordingHost : public QWidget {
public:
    RecordingHost() : transition(this) { resize(120, 80); }
    Transition transition;
    QList<double> frames;
    QList<bool> animating;

protected:
    void paintEvent(QPaintEvent*) override
    {
        frames.append(transition.progress());
        animating.append(transition.isAnimating());
        QPainter painter(this);
        if (transition.isAnimating())
            transition.draw(painter, rect());
    }
};

} // namespace

class tst_Transition : public QObject {
    Q_OBJECT
private slots:
    void flipTurnsAboutTheMiddle_data();
    void flipTurnsAboutTheMiddle();
    void flipShowsTheFinalPictureTheRightWayRound();
    void cubeFacesFillTheHostAtBothEnds();
    void cubeHalfwayShowsBothFaces();
    void dissolveMixesBothPictures();
    void swipeSweepsItsBand_data();
    void swipeSweepsItsBand();
    void otherEffectsDissolve();
    void easedCurve();
    void startPlaysHalfASecondAndReleasesThePictures();
    void unknownStyleDoesNothing();
    void screenshotsHalfway();
};

void tst_Transition::flipTurnsAboutTheMiddle_data()
{
    QTest::addColumn<double>("t");
    QTest::newRow("start") << 0.0;
    QTest::newRow("a quarter") << 0.25;
    QTest::newRow("two fifths") << 0.4;
}

void tst_Transition::flipTurnsAboutTheMiddle()
{
    QFETCH(double, t);
    const QSize size(200, 100);
    const QImage frame =
        views::transitionFrame(views::Flip, t, 1.0, solid(size, Red), solid(size, Blue), size);
    const double cx = 100, cy = 50, dist = 5 * cx, a = std::numbers::pi * t;
    const double right = edgeX(cx * std::cos(a), dist + cx * std::sin(a), dist, cx);
    const double left = edgeX(-cx * std::cos(a), dist - cx * std::sin(a), dist, cx);
    // The near (left) edge is taller than the far one; both stay centred.
    const double leftHalfHeight = dist * cy / (dist - cx * std::sin(a));
    QVERIFY(near(frame.pixel(int(left) + 2, 50), Red));
    QVERIFY(near(frame.pixel(int(right) - 2, 50), Red));
    if (t > 0) {
        QVERIFY(near(frame.pixel(int(right) + 2, 50), Qt::transparent));
        QVERIFY(near(frame.pixel(int(left) - 2, 50), Qt::transparent));
        // Top of the near edge, in top-down rows.
        const int top = int(std::ceil(cy - leftHalfHeight));
        QVERIFY(top < 0 || near(frame.pixel(int(left) + 3, std::max(top + 2, 0)), Red));
    } else {
        QCOMPARE(frame, solid(size, Red));
    }
}

void tst_Transition::flipShowsTheFinalPictureTheRightWayRound()
{
    const QSize size(200, 100);
    const QImage initial = halves(size, Red, Green), final = halves(size, Blue, Yellow);
    // Before the half the initial picture turns away, as it is.
    QImage frame = views::transitionFrame(views::Flip, 0.3, 1.0, initial, final, size);
    QVERIFY(near(frame.pixel(70, 50), Red));
    QVERIFY(near(frame.pixel(130, 50), Green));
    // Just past it, and later, the final picture reads left to right.
    for (const double t : {0.55, 0.8, 1.0}) {
        frame = views::transitionFrame(views::Flip, t, 1.0, initial, final, size);
        QVERIFY2(near(frame.pixel(90, 50), Blue), qPrintable(QString::number(t)));
        QVERIFY2(near(frame.pixel(110, 50), Yellow), qPrintable(QString::number(t)));
    }
    QCOMPARE(views::transitionFrame(views::Flip, 1.0, 1.0, initial, final, size), final);
}

void tst_Transition::cubeFacesFillTheHostAtBothEnds()
{
    const QSize size(160, 90);
    const QImage initial = halves(size, Red, Green), final = halves(size, Blue, Yellow);
    QVERIFY(
        sameImage(views::transitionFrame(views::Cube, 0.0, 1.0, initial, final, size), initial));
    QVERIFY(sameImage(views::transitionFrame(views::Cube, 1.0, 1.0, initial, final, size), final));
}

void tst_Transition::cubeHalfwayShowsBothFaces()
{
    const QSize size(200, 100);
    const QImage frame =
        views::transitionFrame(views::Cube, 0.5, 1.0, solid(size, Red), solid(size, Blue), size);
    // Turned by 45°: the shared edge stands at the centre, the final face left
    // of it; each outer edge lies nearer than the canvas, so both faces reach
    // past its sides.
    const double cx = 100, dist = 5 * cx, r = std::sqrt(2.0) * cx, z0 = cx + dist;
    QVERIFY(dist * r / z0 > cx);
    QVERIFY(near(frame.pixel(int(cx - 3), 50), Blue));
    QVERIFY(near(frame.pixel(int(cx + 3), 50), Red));
    QVERIFY(near(frame.pixel(1, 50), Blue));
    QVERIFY(near(frame.pixel(198, 50), Red));
    // The shared edge is nearer than the canvas, so taller; the outer edges,
    // farther away, shorter: the top corners of the canvas stay empty.
    QVERIFY(dist * 50 / (z0 - r) > 50);
    QVERIFY(near(frame.pixel(int(cx) - 1, 1), Blue));
    const double outerHalfHeight = dist * 50 / z0;
    QVERIFY(near(frame.pixel(1, int(50 - outerHalfHeight) - 3), Qt::transparent));
    QVERIFY(near(frame.pixel(198, int(50 + outerHalfHeight) + 3), Qt::transparent));
}

void tst_Transition::dissolveMixesBothPictures()
{
    const QSize size(40, 20);
    const QImage frame = views::transitionFrame(views::Dissolve, 0.3, 1.0, solid(size, Red),
                                                solid(size, Blue), size);
    QVERIFY2(near(frame.pixel(10, 10), QColor(179, 0, 77)),
             qPrintable(QString::number(frame.pixel(10, 10), 16)));
    QCOMPARE(views::transitionFrame(views::Dissolve, 0.0, 1.0, solid(size, Red), solid(size, Blue),
                                    size),
             solid(size, Red));
}

void tst_Transition::swipeSweepsItsBand_data()
{
    QTest::addColumn<double>("t");
    QTest::addColumn<int>("x");
    QTest::addColumn<double>("finalShare");
    // The band, 300 wide, sweeps the effect's 300-wide extent from the left:
    // its leading edge stands at t · 600.
    QTest::newRow("start") << 0.0 << 0 << 0.0;
    QTest::newRow("half: left edge") << 0.5 << 0 << 1.0;
    QTest::newRow("half: inside the band") << 0.5 << 150 << 0.5;
    QTest::newRow("half: ahead of the band") << 0.5 << 320 << 0.0;
    QTest::newRow("end: the extent") << 1.0 << 299 << 1.0;
}

void tst_Transition::swipeSweepsItsBand()
{
    QFETCH(double, t);
    QFETCH(int, x);
    QFETCH(double, finalShare);
    const QSize size(400, 40);
    const QImage frame =
        views::transitionFrame(views::Swipe, t, 1.0, solid(size, Red), solid(size, Blue), size);
    const QColor expected(int(255 * (1 - finalShare) + 0.5), 0, int(255 * finalShare + 0.5));
    QVERIFY2(near(frame.pixel(x, 20), expected, 3), qPrintable(QColor(frame.pixel(x, 20)).name()));
}

void tst_Transition::otherEffectsDissolve()
{
    const QSize size(50, 30);
    const QImage a = halves(size, Red, Green), b = halves(size, Blue, Yellow);
    const QImage dissolve = views::transitionFrame(views::Dissolve, 0.4, 1.0, a, b, size);
    for (const int style : {views::CopyMachine, views::Flash, views::Mod, views::PageCurl,
                            views::Ripple, views::ZoomDissolve}) {
        QVERIFY(views::dissolvesInstead(style));
        QCOMPARE(views::transitionFrame(style, 0.4, 1.0, a, b, size), dissolve);
    }
    for (const int style : {views::Dissolve, views::Swipe, views::Flip, views::Cube})
        QVERIFY(!views::dissolvesInstead(style));
}

void tst_Transition::easedCurve()
{
    QCOMPARE(Transition::eased(0), 0.0);
    QCOMPARE(Transition::eased(1), 1.0);
    QVERIFY(std::abs(Transition::eased(0.5) - 0.5) < 1e-3);
    // Slow at both ends.
    QVERIFY(Transition::eased(0.1) < 0.1);
    QVERIFY(Transition::eased(0.9) > 0.9);
}

void tst_Transition::startPlaysHalfASecondAndReleasesThePictures()
{
    RecordingHost host;
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    host.frames.clear();
    host.animating.clear();
    host.transition.setStyle(views::Dissolve, 1.0);
    host.transition.setInitialImage(solid(host.size(), Red));
    host.transition.setFinalImage(solid(host.size(), Blue));
    QElapsedTimer clock;
    clock.start();
    host.transition.start();
    const qint64 took = clock.elapsed();
    QVERIFY2(took >= Transition::DurationMs && took < 3 * Transition::DurationMs,
             qPrintable(QString::number(took)));
    QVERIFY(!host.transition.isAnimating());
    QVERIFY2(host.frames.size() >= 5, qPrintable(QString::number(host.frames.size())));
    QVERIFY(std::all_of(host.animating.begin(), host.animating.end(), [](bool a) { return a; }));
    QVERIFY(std::is_sorted(host.frames.begin(), host.frames.end()));
    QCOMPARE(host.frames.last(), 1.0);
    QVERIFY(host.frames.first() < 0.05);
}

void tst_Transition::unknownStyleDoesNothing()
{
    RecordingHost host;
    host.show();
    host.transition.setStyle(10, 1.0);
    QElapsedTimer clock;
    clock.start();
    host.transition.start();
    // Played, it would have taken its whole duration.
    QVERIFY2(clock.elapsed() < Transition::DurationMs,
             qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!host.transition.isAnimating());
    QVERIFY(std::none_of(host.animating.begin(), host.animating.end(), [](bool a) { return a; }));
}

// For a look by eye: each exact effect half way between two real views.
void tst_Transition::screenshotsHalfway()
{
    auto view = [](const QString& title, const QColor& color) {
        QWidget page;
        page.resize(320, 200);
        page.setAutoFillBackground(true);
        QPalette palette = page.palette();
        palette.setColor(QPalette::Window, color);
        page.setPalette(palette);
        auto* layout = new QVBoxLayout(&page);
        layout->addWidget(new QLabel(title));
        layout->addWidget(new QLineEdit(QStringLiteral("Field Notes")));
        layout->addWidget(new QPushButton(QStringLiteral("Refresh")));
        return page.grab().toImage();
    };
    const QImage initial = view(QStringLiteral("Entries"), QColor(0xd8, 0xe6, 0xf5));
    const QImage final = view(QStringLiteral("Preferences"), QColor(0xf5, 0xe6, 0xc8));
    const QSize size = initial.size();
    // The flip stands edge-on at one half: it is shown a little before.
    const struct {
        int style;
        double time;
        const char* name;
    } effects[] = {{views::Dissolve, 0.5, "dissolve"},
                   {views::Swipe, 0.5, "swipe"},
                   {views::Flip, 0.35, "flip"},
                   {views::Cube, 0.5, "cube"}};
    for (const auto& [style, time, name] : effects) {
        const QImage halfway = views::transitionFrame(style, time, 1.0, initial, final, size);
        QVERIFY(!sameImage(halfway, initial) && !sameImage(halfway, final));
        QImage frame(size, QImage::Format_ARGB32_Premultiplied);
        frame.fill(Qt::darkGray);
        QPainter(&frame).drawImage(0, 0, halfway);
        QLabel shown;
        shown.setPixmap(QPixmap::fromImage(frame));
        shown.resize(size);
        plumet::test::saveScreenshot(&shown, QStringLiteral("transition-%1-halfway").arg(name));
    }
}

QTEST_MAIN(tst_Transition)
#include "tst_transition.moc"
