#include "Color.h"

#include <QTest>

using namespace rv;

class tst_Color : public QObject {
    Q_OBJECT

private slots:
    void CSSColorSpec_data();
    void CSSColorSpec();
    void isEqualToColor_data();
    void isEqualToColor();
    void exactEquality();
    void qColorConversion();
};

void tst_Color::CSSColorSpec_data()
{
    QTest::addColumn<Color>("color");
    QTest::addColumn<QString>("expected");

    QTest::newRow("red") << Color(1, 0, 0) << "#ff0000";
    QTest::newRow("half grey truncates") << Color(0.5, 0.5, 0.5) << "#7f7f7f";
    QTest::newRow("just below one") << Color(0.999, 0.001, 1) << "#fe00ff";
    QTest::newRow("alpha ignored") << Color(0, 0, 1, 0.2) << "#0000ff";
    QTest::newRow("out of range clamped") << Color(1.5, -0.5, 0) << "#ff0000";
    QTest::newRow("not a number is none") << Color(qQNaN(), 1, qInf()) << "#00ffff";
}

void tst_Color::CSSColorSpec()
{
    QFETCH(Color, color);
    QFETCH(QString, expected);
    QCOMPARE(rv::CSSColorSpec(color), expected);
}

void tst_Color::isEqualToColor_data()
{
    QTest::addColumn<Color>("a");
    QTest::addColumn<Color>("b");
    QTest::addColumn<bool>("equal");

    QTest::newRow("same") << Color(0.2, 0.4, 0.6, 0.8) << Color(0.2, 0.4, 0.6, 0.8) << true;
    QTest::newRow("within 0.01") << Color(0.2, 0.4, 0.6) << Color(0.209, 0.391, 0.6) << true;
    QTest::newRow("red off") << Color(0.2, 0.4, 0.6) << Color(0.211, 0.4, 0.6) << false;
    QTest::newRow("alpha off") << Color(0.2, 0.4, 0.6, 1) << Color(0.2, 0.4, 0.6, 0.98) << false;
}

void tst_Color::isEqualToColor()
{
    QFETCH(Color, a);
    QFETCH(Color, b);
    QFETCH(bool, equal);
    QCOMPARE(a.isEqualToColor(b), equal);
    QCOMPARE(b.isEqualToColor(a), equal);
}

void tst_Color::exactEquality()
{
    // Archives store the doubles; equality must not hide a lossy round trip.
    const Color stored(0.123456789, 0.5, 1.0 / 3.0, 0.9);
    QVERIFY(stored == Color(0.123456789, 0.5, 1.0 / 3.0, 0.9));
    QVERIFY(!(stored == Color(0.123456788, 0.5, 1.0 / 3.0, 0.9)));
    QVERIFY(Color() == Color(0, 0, 0, 1));
}

void tst_Color::qColorConversion()
{
    const QColor orange(255, 128, 0, 51);
    QCOMPARE(Color::fromQColor(orange).toQColor(), orange);
    QCOMPARE(Color::fromQColor(QColor(Qt::red)), Color(1, 0, 0, 1));
    const Color half(0.5, 0.25, 0.75, 0.5);
    QVERIFY(Color::fromQColor(half.toQColor()).isEqualToColor(half));
}

QTEST_GUILESS_MAIN(tst_Color)
#include "tst_color.moc"
