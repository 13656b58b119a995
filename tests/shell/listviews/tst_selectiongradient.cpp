#include "BlogOutlineView.h"
#include "GradientOutlineView.h"
#include "GradientTableView.h"
#include "RVColumnHeaderCell.h"
#include "SelectionGradient.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>
#include <QStandardItemModel>
#include <QTest>

class tst_SelectionGradient : public QObject {
    Q_OBJECT

private slots:
    void shades_data();
    void shades();
    void greyKeepsBrightness();
    void runsJoinTouchingRows();
    void tableDrawsOneBlockPerRun();
    void selectionRedrawsWhenTheWindowComesAndGoes_data();
    void selectionRedrawsWhenTheWindowComesAndGoes();
    void headerArrowPlace_data();
    void headerArrowPlace();
    void headerLeftLineOnlyWhenWide();
};

namespace {

QColor hsb(float h, float s, float b, float a = 1)
{
    return QColor::fromHsvF(h, s, b, a);
}

} // namespace

void tst_SelectionGradient::shades_data()
{
    QTest::addColumn<QColor>("base");
    QTest::addColumn<QString>("which");
    QTest::addColumn<float>("saturation");
    QTest::addColumn<float>("brightness");
    // The selection colour of the blog outline (and the header's base).
    QTest::newRow("deepened: faint saturation drops to none")
        << hsb(0.6f, 0.03f, 0.9f) << "deepened" << 0.0f << 0.835f;
    QTest::newRow("deepened: saturation stops at 1")
        << hsb(0.6f, 0.9f, 0.5f) << "deepened" << 1.0f << 0.435f;
    QTest::newRow("deepened: brightness stops at 0")
        << hsb(0.6f, 0.5f, 0.05f) << "deepened" << 0.7f << 0.0f;
    QTest::newRow("light") << hsb(0.6f, 0.5f, 0.5f) << "light" << 0.38f << 0.8f;
    QTest::newRow("light: limits") << hsb(0.6f, 0.1f, 0.9f) << "light" << 0.0f << 1.0f;
    QTest::newRow("dark") << hsb(0.6f, 0.5f, 0.5f) << "dark" << 0.62f << 0.455f;
    QTest::newRow("dark: a grey stays grey") << hsb(0.0f, 0.03f, 0.5f) << "dark" << 0.0f << 0.455f;
    QTest::newRow("dark: limits") << hsb(0.6f, 0.95f, 0.02f) << "dark" << 1.0f << 0.0f;
}

void tst_SelectionGradient::shades()
{
    QFETCH(QColor, base);
    QFETCH(QString, which);
    QFETCH(float, saturation);
    QFETCH(float, brightness);
    const QColor shade = which == QLatin1String("light") ? SelectionGradient::light(base)
                         : which == QLatin1String("dark")
                             ? SelectionGradient::dark(base)
                             : BlogOutlineView::makeSelectionColor(base);
    if (brightness > 0) // black has no saturation to speak of
        QVERIFY(qAbs(shade.hsvSaturationF() - saturation) < 0.005);
    QVERIFY2(qAbs(shade.valueF() - brightness) < 0.005,
             qPrintable(QString::number(shade.valueF())));
    QCOMPARE(shade.alphaF(), base.alphaF());
    if (saturation > 0 && brightness > 0)
        QVERIFY(qAbs(shade.hsvHueF() - base.hsvHueF()) < 0.01);
}

void tst_SelectionGradient::greyKeepsBrightness()
{
    const QColor grey = SelectionGradient::grey(QColor::fromRgbF(0.2f, 0.4f, 0.8f, 0.5f));
    QCOMPARE(grey.red(), grey.green());
    QCOMPARE(grey.green(), grey.blue());
    QVERIFY(qAbs(grey.redF() - (0.3f * 0.2f + 0.59f * 0.4f + 0.11f * 0.8f)) < 0.005);
    QVERIFY(qAbs(grey.alphaF() - 0.5f) < 0.001);
}

void tst_SelectionGradient::runsJoinTouchingRows()
{
    auto row = [](int n) { return QRect(0, n * 20, 100, 20); };
    const QList<QRect> runs = SelectionGradient::runs({row(7), row(3), row(2), row(4)});
    QCOMPARE(runs.size(), 2);
    QCOMPARE(runs.at(0), QRect(0, 40, 100, 60));
    QCOMPARE(runs.at(1), row(7));
    QVERIFY(SelectionGradient::runs({}).isEmpty());
}

// Rows 2, 3, 4 and 7 selected: two blocks, each with its own top line; grey
// in a window that is not the active one.
void tst_SelectionGradient::tableDrawsOneBlockPerRun()
{
    QStandardItemModel model(10, 1);
    GradientTableView table;
    table.setModel(&model);
    table.resize(200, 400);
    table.verticalHeader()->hide();
    table.horizontalHeader()->hide();
    for (int row : {2, 3, 4, 7})
        table.selectionModel()->select(model.index(row, 0), QItemSelectionModel::Select);
    const QColor base = table.selectionColor();

    const QImage active = table.viewport()->grab().toImage();
    const int rowHeight = table.rowHeight(0);
    const int x = 100;
    auto pixelAt = [&](const QImage& image, int y) { return image.pixelColor(x, y).rgb(); };
    // A top line of the base colour at rows 2 and 7, not at row 3 (inside the run).
    const QColor shownBase = table.isActiveWindow() ? base : SelectionGradient::grey(base);
    QCOMPARE(pixelAt(active, table.rowViewportPosition(2)), shownBase.rgb());
    QCOMPARE(pixelAt(active, table.rowViewportPosition(7)), shownBase.rgb());
    QVERIFY(pixelAt(active, table.rowViewportPosition(3)) != shownBase.rgb());
    // The gradient darkens down the run: light at its top, dark at its bottom.
    const QColor top = active.pixelColor(x, table.rowViewportPosition(2) + 1);
    const QColor bottom = active.pixelColor(x, table.rowViewportPosition(4) + rowHeight - 1);
    QVERIFY(top.valueF() > bottom.valueF());
    // Unselected rows keep the base colour of the table.
    QCOMPARE(pixelAt(active, table.rowViewportPosition(5) + 3),
             table.viewport()->palette().color(QPalette::Base).rgb());
    // Not the active window (offscreen windows never are): the same blocks in grey.
    QVERIFY(!table.isActiveWindow());
    QCOMPARE(top.red(), top.green());
    QCOMPARE(top.green(), top.blue());
}

void tst_SelectionGradient::selectionRedrawsWhenTheWindowComesAndGoes_data()
{
    QTest::addColumn<bool>("outline");
    QTest::newRow("table") << false;
    QTest::newRow("outline") << true;
}

// The selection is drawn grey in a window that is not the active one: what
// the screen shows follows the window as it goes back and comes forward.
void tst_SelectionGradient::selectionRedrawsWhenTheWindowComesAndGoes()
{
    QFETCH(bool, outline);
    QStandardItemModel model(5, 1);
    // As in the program's windows, the view is one widget among others, and
    // the focus may be in another.
    QWidget window;
    auto* other = new QLineEdit(&window);
    other->setGeometry(10, 215, 200, 20);
    QAbstractItemView* view =
        outline ? static_cast<QAbstractItemView*>(new GradientOutlineView) : new GradientTableView;
    view->setParent(&window);
    view->setModel(&model);
    view->selectionModel()->select(model.index(1, 0), QItemSelectionModel::Select);
    view->setGeometry(10, 10, 200, 200);
    window.resize(220, 240);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    other->setFocus();
    QTRY_VERIFY(other->hasFocus());
    const QRect row = view->visualRect(model.index(1, 0));
    const QPoint inside = view->viewport()->mapTo(&window, QPoint(100, row.center().y()));
    // The window's pixels as last drawn, not drawn anew as grab() would.
    auto shownGrey = [&] {
        const QColor shown =
            window.screen()->grabWindow(window.winId()).toImage().pixelColor(inside);
        return shown.red() == shown.green() && shown.green() == shown.blue();
    };
    QTRY_VERIFY(!shownGrey());

    QWidget front;
    front.show();
    front.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&front));
    QTRY_VERIFY(shownGrey());

    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTRY_VERIFY(!shownGrey());
}

void tst_SelectionGradient::headerArrowPlace_data()
{
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<QRect>("arrow");
    QTest::newRow("wide: at the right") << QRect(10, 0, 100, 17) << QRect(100, 7, 7, 5);
    QTest::newRow("20 or less: centred") << QRect(10, 0, 20, 17) << QRect(16, 7, 7, 5);
}

void tst_SelectionGradient::headerArrowPlace()
{
    QFETCH(QRect, frame);
    QFETCH(QRect, arrow);
    QCOMPARE(RVColumnHeaderCell::sortIndicatorRect(frame, QSize(7, 5)), arrow);
}

void tst_SelectionGradient::headerLeftLineOnlyWhenWide()
{
    for (int width : {20, 21}) {
        QImage image(40, 20, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        RVColumnHeaderCell::drawInterior(painter, QRect(5, 1, width, 17), QString(),
                                         QColor::fromRgbF(0.93f, 0.96f, 1.0f));
        painter.end();
        const QColor left = image.pixelColor(5, 10);
        const bool grey = left.red() == left.green() && left.green() == left.blue();
        QCOMPARE(grey, width > 20);
    }
}

QTEST_MAIN(tst_SelectionGradient)
#include "tst_selectiongradient.moc"
