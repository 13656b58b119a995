#include "ButtonExtensions.h"
#include "CellGeometry.h"
#include "CompletingLineEdit.h"
#include "ImageButton.h"
#include "NaturalSort.h"
#include "TruncCellDelegate.h"
#include "ValueTransformers.h"

#include <QPushButton>
#include <QTest>
#include <QTextDocumentFragment>

using CellGeometry::LabelPart;

class tst_Cells : public QObject {
    Q_OBJECT
private slots:
    void visibleWidth_data();
    void visibleWidth();
    void labelShapeCoversItsColumn_data();
    void labelShapeCoversItsColumn();
    void imageFrame();
    void naturalOrder_data();
    void naturalOrder();
    void attributedTransformer_data();
    void attributedTransformer();
    void fontTransformerNamesTheFamily();
    void truncatingColours();
    void completionKeys_data();
    void completionKeys();
    void imageButtonStates();
    void configureButtonReplacesTheAction();
};

void tst_Cells::visibleWidth_data()
{
    QTest::addColumn<QRectF>("frame");
    QTest::addColumn<QRectF>("visible");
    QTest::addColumn<qreal>("width");
    QTest::newRow("inside") << QRectF(10, 0, 100, 20) << QRectF(0, 0, 200, 400) << qreal(100);
    QTest::newRow("past the edge ends 1 point inside")
        << QRectF(150, 0, 100, 20) << QRectF(0, 0, 200, 400) << qreal(49);
    QTest::newRow("entirely hidden")
        << QRectF(300, 0, 50, 20) << QRectF(0, 0, 200, 400) << qreal(0);
}

void tst_Cells::visibleWidth()
{
    QFETCH(QRectF, frame);
    QFETCH(QRectF, visible);
    QFETCH(qreal, width);
    const QRectF drawing = CellGeometry::visibleDrawingRect(frame, visible);
    QCOMPARE(drawing.width(), width);
    QCOMPARE(drawing.left(), frame.left());
}

void tst_Cells::labelShapeCoversItsColumn_data()
{
    QTest::addColumn<int>("part");
    QTest::addColumn<QRectF>("bounds");
    const QRectF d(10, 0, 100, 20);
    QTest::newRow("left end") << int(LabelPart::Left) << QRectF(11, 0, 101, 20);
    QTest::newRow("right end") << int(LabelPart::Right) << QRectF(9, 0, 101, 20);
    QTest::newRow("middle") << int(LabelPart::Middle) << QRectF(9, 0, 103, 20);
}

void tst_Cells::labelShapeCoversItsColumn()
{
    QFETCH(int, part);
    QFETCH(QRectF, bounds);
    const QRectF d(10, 0, 100, 20);
    const QPainterPath shape = CellGeometry::labelShape(d, static_cast<LabelPart>(part));
    QCOMPARE(shape.boundingRect(), bounds);
    // Rounded ends leave the outer corners empty.
    if (static_cast<LabelPart>(part) == LabelPart::Left)
        QVERIFY(!shape.contains(QPointF(11.5, 0.5)));
    if (static_cast<LabelPart>(part) == LabelPart::Right)
        QVERIFY(!shape.contains(QPointF(109.5, 0.5)));
    const QRectF text = CellGeometry::labelTextRect(d, static_cast<LabelPart>(part));
    QVERIFY(text.width() <= d.width());
}

void tst_Cells::imageFrame()
{
    QCOMPARE(CellGeometry::imageFrame(QRectF(0, 0, 100, 21), QSizeF(16, 16)),
             QRectF(3, 3, 16, 16)); // (21 - 16) / 2 rounded up
    QVERIFY(CellGeometry::imageFrame(QRectF(0, 0, 100, 21), QSizeF()).isNull());
    QCOMPARE(CellGeometry::imageColumnWidth(QSizeF(16, 16)), 19.0);
    QCOMPARE(CellGeometry::imageColumnWidth(QSizeF()), 3.0);
}

void tst_Cells::naturalOrder_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<int>("ascending");
    QTest::newRow("9 before 10") << "Post 9"
                                 << "Post 10" << -1;
    QTest::newRow("letter case ignored") << "hello World"
                                         << "Hello world" << 0;
    QTest::newRow("alphabetical") << "apple"
                                  << "Banana" << -1;
}

void tst_Cells::naturalOrder()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(int, ascending);
    QCOMPARE(compareNatural(first, second, true), ascending);
    QCOMPARE(compareNatural(first, second, false), -ascending);
}

void tst_Cells::attributedTransformer_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("valid");
    QTest::newRow("text") << QVariant(QStringLiteral("a <b> & c")) << true;
    QTest::newRow("number") << QVariant(42) << false;
    QTest::newRow("nothing") << QVariant() << false;
}

void tst_Cells::attributedTransformer()
{
    QFETCH(QVariant, value);
    QFETCH(bool, valid);
    const QVariant attributed = attributedFromString(value);
    QCOMPARE(attributed.isValid(), valid);
    if (valid)
        QCOMPARE(stringFromAttributed(attributed), value);
    // The reverse direction refuses anything that is not rich text.
    QVERIFY(!stringFromAttributed(value).isValid());
}

void tst_Cells::fontTransformerNamesTheFamily()
{
    const QString name = fontDisplayName(QStringLiteral("DejaVu Sans Mono"));
    QVERIFY(!name.isEmpty());
    QVERIFY(!fontDisplayName(QStringLiteral("No Such Font 123")).isEmpty());
}

void tst_Cells::truncatingColours()
{
    using Kind = TruncCellDelegate::Kind;
    const QColor base(Qt::blue);
    QCOMPARE(TruncCellDelegate::textColor(Kind::Secondary, base, 0),
             QColor::fromRgbF(0.3f, 0.3f, 0.3f));
    QCOMPARE(TruncCellDelegate::textColor(Kind::Heading, base, 6901),
             QColor::fromRgbF(0.33f, 0.33f, 0.33f));
    QCOMPARE(TruncCellDelegate::textColor(Kind::Heading, base, 0), base);
    QCOMPARE(TruncCellDelegate::textColor(Kind::Plain, base, 6901), base);
    // On a dark list the greys would not read: the text colour, softened.
    const QColor dark(0x1e, 0x1e, 0x20);
    const QColor light(0xe8, 0xe8, 0xe8);
    for (const QColor& shown : {TruncCellDelegate::textColor(Kind::Secondary, light, 0, dark),
                                TruncCellDelegate::textColor(Kind::Heading, light, 6901, dark)}) {
        QVERIFY2(shown.lightness() > 150, qPrintable(shown.name()));
        QVERIFY(shown != light);
    }
    QVERIFY(TruncCellDelegate::isBoldKind(Kind::Heading));
    QVERIFY(!TruncCellDelegate::isBoldKind(Kind::Secondary));
}

void tst_Cells::completionKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("opens");
    QTest::newRow("tab") << int(Qt::Key_Tab) << false;
    QTest::newRow("return") << int(Qt::Key_Return) << false;
    QTest::newRow("enter") << int(Qt::Key_Enter) << false;
    QTest::newRow("backspace") << int(Qt::Key_Backspace) << false;
    QTest::newRow("delete") << int(Qt::Key_Delete) << false;
    QTest::newRow("letter") << int(Qt::Key_A) << true;
}

void tst_Cells::completionKeys()
{
    QFETCH(int, key);
    QFETCH(bool, opens);
    QCOMPARE(CompletingLineEdit::keyOpensCompletions(key), opens);
}

void tst_Cells::imageButtonStates()
{
    QPixmap normal(8, 8);
    normal.fill(Qt::red);
    QPixmap pressed(8, 8);
    pressed.fill(Qt::green);
    QPixmap disabled(8, 8);
    disabled.fill(Qt::gray);
    ImageButton button;
    button.setImages(normal, pressed, disabled);
    QCOMPARE(button.currentImage().toImage().pixelColor(0, 0), QColor(Qt::red));
    button.setDown(true);
    QCOMPARE(button.currentImage().toImage().pixelColor(0, 0), QColor(Qt::green));
    button.setEnabled(false);
    QCOMPARE(button.currentImage().toImage().pixelColor(0, 0), QColor(Qt::gray));
}

void tst_Cells::configureButtonReplacesTheAction()
{
    QPushButton button;
    int first = 0;
    int second = 0;
    configureButton(
        &button, QStringLiteral("One"), true, [&] { ++first; }, QKeySequence(), false);
    configureButton(
        &button, QStringLiteral("Two"), true, [&] { ++second; },
        QKeySequence(QStringLiteral("Ctrl+T")), true);
    button.click();
    QCOMPARE(first, 0);
    QCOMPARE(second, 1);
    QCOMPARE(button.text(), QStringLiteral("Two"));
    QCOMPARE(button.shortcut(), QKeySequence(QStringLiteral("Ctrl+T")));
    QVERIFY(button.isHidden());
}

QTEST_MAIN(tst_Cells)
#include "tst_cells.moc"
