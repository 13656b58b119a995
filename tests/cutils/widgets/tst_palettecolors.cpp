#include "PaletteColors.h"

#include <QApplication>
#include <QLabel>
#include <QTest>

// The colour rules that keep text readable in a dark palette as in a light one.
class tst_PaletteColors : public QObject {
    Q_OBJECT
private slots:
    void contrastOfKnownPairs();
    void seeThroughColoursLieOverTheGround();
    void textTurnsWhereItWouldNotRead_data();
    void textTurnsWhereItWouldNotRead();
    void aColourThatMeansSomethingKeepsItsHue_data();
    void aColourThatMeansSomethingKeepsItsHue();
    void aChosenBackgroundKeepsItsTextReadable();
    void pagesTakeThePalettesColours();

private:
    static QPalette darkPalette();
};

QPalette tst_PaletteColors::darkPalette()
{
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x2d, 0x2d, 0x2d));
    dark.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xee));
    dark.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    dark.setColor(QPalette::Text, QColor(0xf0, 0xf0, 0xf0));
    dark.setColor(QPalette::Link, QColor(0x1a, 0x4a, 0xa0)); // too dark to read on the base
    return dark;
}

void tst_PaletteColors::contrastOfKnownPairs()
{
    QCOMPARE(qRound(PaletteColors::contrast(Qt::black, Qt::white)), 21);
    QCOMPARE(PaletteColors::contrast(Qt::red, Qt::red), 1.0);
    QCOMPARE(PaletteColors::contrast(Qt::white, Qt::black),
             PaletteColors::contrast(Qt::black, Qt::white));
    QVERIFY(PaletteColors::isDark(darkPalette()));
    QPalette light;
    light.setColor(QPalette::Window, Qt::white);
    light.setColor(QPalette::WindowText, Qt::black);
    QVERIFY(!PaletteColors::isDark(light));
}

void tst_PaletteColors::seeThroughColoursLieOverTheGround()
{
    QCOMPARE(PaletteColors::over(QColor(255, 0, 0), Qt::blue), QColor(255, 0, 0));
    QCOMPARE(PaletteColors::over(QColor(255, 255, 255, 0), QColor(10, 20, 30)), QColor(10, 20, 30));
    const QColor half = PaletteColors::over(QColor(255, 255, 255, 128), Qt::black);
    QVERIFY(qAbs(half.red() - 128) <= 1);
    QCOMPARE(half.alpha(), 255);
    QCOMPARE(PaletteColors::mixed(Qt::black, Qt::white, 0), QColor(Qt::black));
    QCOMPARE(PaletteColors::mixed(Qt::black, Qt::white, 1), QColor(Qt::white));
}

void tst_PaletteColors::textTurnsWhereItWouldNotRead_data()
{
    QTest::addColumn<QColor>("background");
    QTest::addColumn<QColor>("preferred");
    QTest::addColumn<QColor>("expected");
    QTest::newRow("reads: kept") << QColor(Qt::white) << QColor(0x20, 0x20, 0x20)
                                 << QColor(0x20, 0x20, 0x20);
    QTest::newRow("light text on a pale blue")
        << QColor(237, 245, 255) << QColor(0xee, 0xee, 0xee) << QColor(Qt::black);
    QTest::newRow("dark text on a dark ground")
        << QColor(0x2d, 0x2d, 0x2d) << QColor(0x33, 0, 0) << QColor(Qt::white);
}

void tst_PaletteColors::textTurnsWhereItWouldNotRead()
{
    QFETCH(QColor, background);
    QFETCH(QColor, preferred);
    QFETCH(QColor, expected);
    const QColor text = PaletteColors::readableOn(background, preferred);
    QCOMPARE(text, expected);
    QVERIFY(PaletteColors::contrast(background, text) >= PaletteColors::readableContrast);
}

void tst_PaletteColors::aColourThatMeansSomethingKeepsItsHue_data()
{
    QTest::addColumn<QColor>("ink");
    QTest::addColumn<QColor>("ground");
    QTest::addColumn<bool>("kept");
    QTest::newRow("dark red on white: kept") << QColor(156, 0, 0) << QColor(Qt::white) << true;
    QTest::newRow("dark red on a dark list")
        << QColor(156, 0, 0) << QColor(0x1e, 0x1e, 0x20) << false;
    QTest::newRow("pale red on white") << QColor(255, 190, 190) << QColor(Qt::white) << false;
    QTest::newRow("red on a dark green tint")
        << QColor(230, 51, 51) << QColor(0x1e, 0x4b, 0x2f) << false;
}

void tst_PaletteColors::aColourThatMeansSomethingKeepsItsHue()
{
    QFETCH(QColor, ink);
    QFETCH(QColor, ground);
    QFETCH(bool, kept);
    const QColor shown = PaletteColors::readableVariant(ink, ground);
    QVERIFY(PaletteColors::contrast(shown, ground) >= 3.0);
    QCOMPARE(shown == ink, kept);
    // Still a red.
    QVERIFY2(qAbs(shown.hslHue() - ink.hslHue()) <= 2 || shown.hslHue() == -1,
             qPrintable(shown.name()));
    QVERIFY(shown.red() >= shown.green());
}

void tst_PaletteColors::aChosenBackgroundKeepsItsTextReadable()
{
    QLabel label(QStringLiteral("Accounts"));
    label.setPalette(darkPalette());
    // An opaque pale colour the user chose: kept, with dark text on it.
    QColor shown =
        PaletteColors::setBackground(label, QPalette::Window, QColor(237, 245, 255), darkPalette());
    QCOMPARE(shown, QColor(237, 245, 255));
    QCOMPARE(label.palette().color(QPalette::Window), shown);
    QVERIFY(PaletteColors::contrast(label.palette().color(QPalette::WindowText), shown) >=
            PaletteColors::readableContrast);
    // A faint tint lies over the dark window, and the light text stays.
    // Applied again, it lies over the ground, not over the colour shown before.
    shown = PaletteColors::setBackground(label, QPalette::Window, QColor(148, 189, 222, 46),
                                         darkPalette());
    QVERIFY(shown.lightness() < 90);
    QCOMPARE(label.palette().color(QPalette::WindowText), QColor(0xee, 0xee, 0xee));
}

void tst_PaletteColors::pagesTakeThePalettesColours()
{
    const QString style = PaletteColors::pageStyle(darkPalette());
    QVERIFY2(style.contains(QStringLiteral("color-scheme: dark")), qPrintable(style));
    QVERIFY(style.contains(QStringLiteral("background: #1e1e1e")));
    QVERIFY(style.contains(QStringLiteral("color: #f0f0f0")));
    // A link colour that would not read on the base is not used.
    QVERIFY(!style.contains(QStringLiteral("#1a4aa0")));
}

QTEST_MAIN(tst_PaletteColors)
#include "tst_palettecolors.moc"
