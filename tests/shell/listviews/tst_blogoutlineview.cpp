#include "BlogOutlineView.h"
#include "ColorViewSync.h"
#include "DragPicture.h"
#include "GradientHeaderView.h"
#include "GradientOutlineView.h"
#include "GradientTableView.h"
#include "NotificationCenter.h"
#include "PaletteColors.h"
#include "ProgressSpinner.h"
#include "RVAccountCell.h"
#include "SelectionGradient.h"
#include "UserDefaults.h"

#include <QDir>
#include <QDragMoveEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMimeData>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTest>

class tst_BlogOutlineView : public QObject {
    Q_OBJECT

private slots:
    void init();
    void colourComesFromTheDefaults();
    void namesReadOnTheColourInADarkPalette_data();
    void namesReadOnTheColourInADarkPalette();
    void aSidePanelColourIsTakenOver();
    void defaultColourIsStoredAndAnnounced();
    void dragPictureLines_data();
    void dragPictureLines();
    void dragPictureSize();
    void dragTracking_data();
    void dragTracking();
    void contextClickSelectsTheRow();
    void dropMarks();
    void selectionHiddenOnlyWhileOutlineRowsAreDragged();
    void accountCellPlacesItsSpinner();
    void screenshot();

private:
    QTemporaryDir dir;
    std::unique_ptr<UserDefaults> defaults;
    std::unique_ptr<NotificationCenter> center;
};

void tst_BlogOutlineView::init()
{
    defaults = std::make_unique<UserDefaults>(
        dir.filePath(QStringLiteral("%1.conf").arg(QTest::currentTestFunction())));
    center = std::make_unique<NotificationCenter>();
}

void tst_BlogOutlineView::colourComesFromTheDefaults()
{
    {
        BlogOutlineView outline(*defaults, *center);
        QCOMPARE(outline.backgroundColor(), ColorViewSync::defaultColor);
        // A see-through colour lies over the list's own base.
        const QColor shown = PaletteColors::over(ColorViewSync::defaultColor.toQColor(),
                                                 outline.palette().color(QPalette::Base));
        QCOMPARE(outline.viewport()->palette().color(QPalette::Base), shown);
        QCOMPARE(outline.selectionColor(), BlogOutlineView::makeSelectionColor(shown));
    }
    defaults->setValue(QStringLiteral("colorViewColor"), QStringLiteral("#80ff0000"));
    BlogOutlineView outline(*defaults, *center);
    QCOMPARE(outline.viewport()->palette().color(QPalette::Base),
             PaletteColors::over(QColor(255, 0, 0, 128), outline.palette().color(QPalette::Base)));
}

void tst_BlogOutlineView::namesReadOnTheColourInADarkPalette_data()
{
    QTest::addColumn<QString>("stored");
    QTest::newRow("the default") << QString();
    QTest::newRow("a pale colour the user chose") << "#ffedf5ff";
    QTest::newRow("a dark one") << "#ff101830";
}

void tst_BlogOutlineView::namesReadOnTheColourInADarkPalette()
{
    QFETCH(QString, stored);
    if (!stored.isEmpty())
        defaults->setValue(QStringLiteral("colorViewColor"), stored);
    QPalette dark;
    dark.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    dark.setColor(QPalette::Text, QColor(0xf0, 0xf0, 0xf0));
    dark.setColor(QPalette::Window, QColor(0x2d, 0x2d, 0x2d));
    dark.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xee));
    QWidget holder;
    holder.setPalette(dark);
    auto* outline = new BlogOutlineView(*defaults, *center, &holder);
    const QPalette shown = outline->viewport()->palette();
    QCOMPARE(shown.color(QPalette::Base).alpha(), 255);
    QVERIFY(PaletteColors::contrast(shown.color(QPalette::Base), shown.color(QPalette::Text)) >=
            PaletteColors::readableContrast);
    // The cells draw the names with the view's own palette.
    QVERIFY(PaletteColors::contrast(shown.color(QPalette::Base),
                                    outline->palette().color(QPalette::Text)) >=
            PaletteColors::readableContrast);
    // The colour the user chose is what is shown, and what stays stored.
    if (!stored.isEmpty()) {
        QCOMPARE(shown.color(QPalette::Base).name(QColor::HexArgb), stored);
        QCOMPARE(defaults->color(QStringLiteral("colorViewColor")).toQColor().name(QColor::HexArgb),
                 stored);
    } else {
        // The default is a faint tint: dark on a dark list.
        QVERIFY(shown.color(QPalette::Base).lightness() < 100);
    }
}

void tst_BlogOutlineView::aSidePanelColourIsTakenOver()
{
    BlogOutlineView outline(*defaults, *center);
    QStringList heard;
    QObject listener;
    center->observe(QStringLiteral("colorView1"), &listener,
                    [&](const Notification& note) { heard << note.name; });
    const rv::Color green(0.2, 0.8, 0.3, 1.0);
    center->post(QStringLiteral("colorView2"), nullptr,
                 {{QStringLiteral("color"), QVariant::fromValue(green)}});
    QCOMPARE(outline.backgroundColor(), green);
    QCOMPARE(defaults->string(QStringLiteral("colorViewColor")),
             green.toQColor().name(QColor::HexArgb));
    QVERIFY(heard.isEmpty()); // no echo back to the side panels
    // A notification without a colour changes nothing.
    center->post(QStringLiteral("colorView2"));
    QCOMPARE(outline.backgroundColor(), green);
}

void tst_BlogOutlineView::defaultColourIsStoredAndAnnounced()
{
    defaults->setValue(QStringLiteral("colorViewColor"), QStringLiteral("#ff102030"));
    BlogOutlineView outline(*defaults, *center);
    QList<Notification> heard;
    QObject listener;
    center->observe(QStringLiteral("colorView1"), &listener,
                    [&](const Notification& note) { heard << note; });
    outline.defaultColor();
    QCOMPARE(outline.backgroundColor(), ColorViewSync::defaultColor);
    QCOMPARE(defaults->string(QStringLiteral("colorViewColor")),
             ColorViewSync::defaultColor.toQColor().name(QColor::HexArgb));
    QCOMPARE(heard.size(), 1);
    QCOMPARE(heard.first().userInfo.value(QStringLiteral("color")).value<rv::Color>(),
             ColorViewSync::defaultColor);
}

void tst_BlogOutlineView::dragPictureLines_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("lines");
    QTest::addColumn<QString>("last");
    QTest::newRow("one") << 1 << 1 << "Post 0";
    QTest::newRow("ten") << 10 << 10 << "Post 9";
    QTest::newRow("eleven") << 11 << 11 << "and 1 more...";
    QTest::newRow("twenty-five") << 25 << 11 << "and 15 more...";
}

void tst_BlogOutlineView::dragPictureLines()
{
    QFETCH(int, rows);
    QFETCH(int, lines);
    QFETCH(QString, last);
    QStringList titles;
    for (int i = 0; i < rows; ++i)
        titles << QStringLiteral("Post %1").arg(i);
    const QStringList shown = DragPicture::lines(titles);
    QCOMPARE(shown.size(), lines);
    QCOMPARE(shown.last(), last);
}

void tst_BlogOutlineView::dragPictureSize()
{
    QStringList titles;
    for (int i = 0; i < 25; ++i)
        titles << QStringLiteral("Post %1").arg(i);
    const QImage picture = DragPicture::render(titles, 18, 300);
    QCOMPARE(picture.size(), QSize(276, 11 * 22 + 8));
    // Dark and see-through inside, clear at the rounded corner.
    const QColor middle = picture.pixelColor(picture.width() / 2, 3);
    QVERIFY(middle.alpha() > 150 && middle.alpha() < 200);
    QCOMPARE(picture.pixelColor(0, 0).alpha(), 0);
}

void tst_BlogOutlineView::dragTracking_data()
{
    // The hover row before (−1 empty part, −2 outside, 0 a row), the new one;
    // whether the view redraws, and the ring flag after.
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    QTest::addColumn<bool>("redraw");
    QTest::addColumn<bool>("overEmpty");
    QTest::newRow("onto the empty part") << 0 << -1 << true << true;
    QTest::newRow("from outside onto a row") << -2 << 0 << true << false;
    QTest::newRow("from the empty part onto a row") << -1 << 0 << true << false;
    QTest::newRow("from row to row") << 0 << 0 << false << false;
    QTest::newRow("from a row to outside") << 0 << -2 << false << false;
}

void tst_BlogOutlineView::dragTracking()
{
    QFETCH(int, before);
    QFETCH(int, after);
    QFETCH(bool, redraw);
    QFETCH(bool, overEmpty);
    GradientOutlineView::DragState state;
    state.moveTo(before);
    QCOMPARE(state.moveTo(after), redraw);
    QCOMPARE(state.overEmptyArea, overEmpty);
    QVERIFY(!state.dragging); // only the outline whose rows are dragged marks a drag
    state.dragging = true;
    state.end();
    QVERIFY(!state.dragging);
    QVERIFY(!state.overEmptyArea);
}

void tst_BlogOutlineView::contextClickSelectsTheRow()
{
    QStandardItemModel model(4, 1);
    GradientOutlineView outline;
    outline.setModel(&model);
    outline.resize(200, 200);
    outline.selectionModel()->select(model.index(0, 0), QItemSelectionModel::Select);
    const QPoint at = outline.visualRect(model.index(2, 0)).center();
    QContextMenuEvent menu(QContextMenuEvent::Mouse, at, outline.viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(outline.viewport(), &menu);
    const QModelIndexList selected = outline.selectionModel()->selectedRows();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected.first().row(), 2);
}

// A drop on a row washes it blue; between rows a red line marks the place.
void tst_BlogOutlineView::dropMarks()
{
    QStandardItemModel model;
    for (const char* title : {"One", "Two", "Three", "Four"})
        model.appendRow(new QStandardItem(QString::fromLatin1(title)));
    GradientOutlineView outline;
    outline.setModel(&model);
    outline.setDragDropMode(QAbstractItemView::DragDrop);
    outline.resize(200, 200);
    std::unique_ptr<QMimeData> data(model.mimeData({model.index(0, 0)}));
    QWidget* viewport = outline.viewport();
    const QRect row = outline.visualRect(model.index(2, 0));
    auto moveTo = [&](const QPoint& at) {
        QDragMoveEvent move(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &move);
        return move.isAccepted();
    };
    QDragEnterEvent enter(row.center(), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &enter);

    QVERIFY(moveTo(row.center()));
    QCOMPARE(outline.dropMark(), GradientOutlineView::DropMark::OnRow);
    QCOMPARE(outline.dropIndex().row(), 2);
    QImage shot = viewport->grab().toImage();
    const QColor washed = shot.pixelColor(row.center().x(), row.center().y() + 2);
    QVERIFY(washed.blue() > washed.red()); // the blue wash over a white row

    QVERIFY(moveTo(QPoint(row.center().x(), row.top() + 1)));
    QCOMPARE(outline.dropMark(), GradientOutlineView::DropMark::AboveRow);
    shot = viewport->grab().toImage();
    QCOMPARE(shot.pixelColor(row.center().x(), row.top()), QColor(Qt::red));

    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(viewport, &leave);
    QCOMPARE(outline.dropMark(), GradientOutlineView::DropMark::None);
    // A drag that only passed over the outline leaves no drag behind.
    QVERIFY(!GradientOutlineView::dragState().dragging);
    QCOMPARE(GradientOutlineView::dragState().hoverRow, -2);
}

namespace {

// Whether the outline paints row `row` as selected: a top line of its
// selection colour (grey when the window is not the active one).
bool paintsSelected(GradientOutlineView& outline, int row)
{
    const QImage shot = outline.viewport()->grab().toImage();
    const QRect rect = outline.visualRect(outline.model()->index(row, 0));
    const int x = outline.viewport()->width() - 4; // right of the text
    const QColor base = outline.selectionColor();
    const QColor shown = outline.isActiveWindow() ? base : SelectionGradient::grey(base);
    return shot.pixelColor(x, rect.top()).rgb() == shown.rgb();
}

} // namespace

// Only a drag of the outline's own rows hides the selection; a drag from
// elsewhere that crosses the outline, is refused, or leaves it, does not.
void tst_BlogOutlineView::selectionHiddenOnlyWhileOutlineRowsAreDragged()
{
    QStandardItemModel model;
    for (const char* title : {"One", "Two", "Three", "Four"})
        model.appendRow(new QStandardItem(QString::fromLatin1(title)));
    GradientOutlineView outline;
    outline.setModel(&model);
    outline.setDragDropMode(QAbstractItemView::DragDrop);
    outline.resize(200, 200);
    outline.show(); // the viewport takes its size
    QVERIFY(QTest::qWaitForWindowExposed(&outline));
    outline.selectionModel()->select(model.index(1, 0), QItemSelectionModel::Select);
    QVERIFY(paintsSelected(outline, 1));
    QVERIFY(!paintsSelected(outline, 2));

    QWidget* viewport = outline.viewport();
    const QPoint onRow = outline.visualRect(model.index(2, 0)).center();
    const QPoint belowRows(20, viewport->height() - 5);
    std::unique_ptr<QMimeData> rows(model.mimeData({model.index(0, 0)}));
    auto enter = [&](QMimeData* data, const QPoint& at) {
        QDragEnterEvent event(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &event);
        return event.isAccepted();
    };
    auto move = [&](QMimeData* data, const QPoint& at) {
        QDragMoveEvent event(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &event);
    };

    // Over a row, then over the empty part, then away.
    QVERIFY(enter(rows.get(), onRow));
    move(rows.get(), onRow);
    move(rows.get(), belowRows);
    QVERIFY(GradientOutlineView::dragState().overEmptyArea);
    QVERIFY(paintsSelected(outline, 1));
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(viewport, &leave);
    QVERIFY(!GradientOutlineView::dragState().dragging);
    QVERIFY(!GradientOutlineView::dragState().overEmptyArea);
    QVERIFY(paintsSelected(outline, 1));

    // A drag the outline refuses (plain text, say) leaves no hover behind.
    QVERIFY(enter(rows.get(), belowRows));
    move(rows.get(), belowRows);
    QMimeData foreign;
    foreign.setText(QStringLiteral("plain text"));
    QVERIFY(!enter(&foreign, onRow));
    QVERIFY(!GradientOutlineView::dragState().overEmptyArea);
    QCOMPARE(GradientOutlineView::dragState().hoverRow, -2);
    QCOMPARE(outline.dropMark(), GradientOutlineView::DropMark::None);
    QVERIFY(paintsSelected(outline, 1));

    // While the outline's own rows are dragged no selection shows, in any outline.
    GradientOutlineView::dragState().dragging = true; // as the drag's start sets it
    QVERIFY(!paintsSelected(outline, 1));
    GradientOutlineView::dragState().end();
    QVERIFY(paintsSelected(outline, 1));
}

void tst_BlogOutlineView::accountCellPlacesItsSpinner()
{
    QCOMPARE(RVAccountCell::progressImageRect(QRect(0, 40, 180, 20), QSize(16, 16)),
             QRect(158, 41, 16, 16));
}

// The outline with a busy account and two runs of selected blogs, and a
// table under a gradient header, written to PLUMET_SCREENSHOTS when set.
void tst_BlogOutlineView::screenshot()
{
    QStandardItemModel accounts;
    const QPixmap spinner = ProgressSpinner::imageOfFrame(3, 16);
    for (const char* name : {"Travel notes", "Kitchen"}) {
        auto* account = new QStandardItem(QString::fromLatin1(name));
        for (const char* blog : {"Main blog", "Photos", "Drafts", "Archive"})
            account->appendRow(new QStandardItem(QString::fromLatin1(blog)));
        accounts.appendRow(account);
    }
    accounts.item(0)->setData(spinner, RVAccountCell::ProgressImageRole);

    QWidget window;
    auto* layout = new QHBoxLayout(&window);
    auto* outline = new BlogOutlineView(*defaults, *center);
    outline->setHeaderHidden(true);
    outline->setModel(&accounts);
    outline->setItemDelegate(new RVAccountCell(outline));
    outline->setSelectionMode(QAbstractItemView::ExtendedSelection);
    outline->expandAll();
    for (const QModelIndex& index :
         {accounts.index(1, 0, accounts.index(0, 0)), accounts.index(2, 0, accounts.index(0, 0)),
          accounts.index(1, 0, accounts.index(1, 0))})
        outline->selectionModel()->select(index, QItemSelectionModel::Select);
    layout->addWidget(outline);

    QStandardItemModel categories(6, 2);
    categories.setHorizontalHeaderLabels({QStringLiteral("Category"), QStringLiteral("Primary")});
    for (int row = 0; row < 6; ++row)
        categories.setItem(row, 0, new QStandardItem(QStringLiteral("Category %1").arg(row)));
    auto* table = new GradientTableView;
    table->setHorizontalHeader(new GradientHeaderView(Qt::Horizontal, table));
    table->setModel(&categories);
    table->setSortingEnabled(true);
    table->sortByColumn(0, Qt::AscendingOrder);
    table->verticalHeader()->hide();
    QPalette colors = table->viewport()->palette();
    colors.setColor(QPalette::Base, ColorViewSync::defaultColor.toQColor());
    table->viewport()->setPalette(colors);
    table->selectRow(1);
    table->selectionModel()->select(categories.index(2, 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    layout->addWidget(table);

    window.resize(560, 260);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QImage shot = window.grab().toImage();
    QVERIFY(!shot.isNull());
    const QString folder = qEnvironmentVariable("PLUMET_SCREENSHOTS");
    if (!folder.isEmpty()) {
        QDir().mkpath(folder);
        QVERIFY(shot.save(QDir(folder).filePath(QStringLiteral("list-views.png"))));
    }
}

QTEST_MAIN(tst_BlogOutlineView)
#include "tst_blogoutlineview.moc"
