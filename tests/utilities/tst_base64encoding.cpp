#include "Base64Encoding.h"

#include <QRandomGenerator>
#include <QTest>

using namespace rv;

class tst_Base64Encoding : public QObject {
    Q_OBJECT

private slots:
    void encode_data();
    void encode();
    void decode_data();
    void decode();
    void roundTrip_data();
    void roundTrip();
    void alphabet_data();
    void alphabet();
};

void tst_Base64Encoding::encode_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("lineLength");
    QTest::addColumn<QString>("expected");

    QTest::newRow("nothing") << QByteArray() << 0 << "";
    QTest::newRow("one byte") << QByteArray("f") << 0 << "Zg==";
    QTest::newRow("two bytes") << QByteArray("fo") << 0 << "Zm8=";
    QTest::newRow("three bytes") << QByteArray("foo") << 0 << "Zm9v";
    QTest::newRow("high bytes") << QByteArray("\xff\xfe\xfd") << 0 << "//79";
    QTest::newRow("57 bytes make one full line")
        << QByteArray(57, 'a') << 76 << QString("YWFh").repeated(19) + "\n";
    QTest::newRow("line rounded up to a group")
        << QByteArray("foobarbaz") << 10 << "Zm9vYmFyYmF6\n";
    QTest::newRow("short last line") << QByteArray("foobar") << 4 << "Zm9v\nYmFy\n";
    QTest::newRow("negative means one line") << QByteArray("foobar") << -1 << "Zm9vYmFy";
}

void tst_Base64Encoding::encode()
{
    QFETCH(QByteArray, data);
    QFETCH(int, lineLength);
    QFETCH(QString, expected);
    QCOMPARE(base64EncodingWithLineLength(data, lineLength), expected);
}

void tst_Base64Encoding::decode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("empty") << "" << QByteArray();
    QTest::newRow("padded") << "Zm9vYg==" << QByteArray("foob");
    QTest::newRow("line feeds and spaces skipped") << "Zm9v\nYm Fy\r\n" << QByteArray("foobar");
    QTest::newRow("stops at first pad") << "Zg==Zm9v" << QByteArray("f");
    QTest::newRow("non-ascii skipped") << u"Zm9v€YmFy"_qs << QByteArray("foobar");
    // An unpadded final group still gives its bytes; a lone value holds none.
    QTest::newRow("unpadded two values") << "Zm9vZg" << QByteArray("foof");
    QTest::newRow("unpadded three values") << "Zm8" << QByteArray("fo");
    QTest::newRow("lone leftover value") << "Zm9vY" << QByteArray("foo");
}

void tst_Base64Encoding::decode()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, expected);
    QCOMPARE(dataWithBase64EncodedString(text), expected);
    QCOMPARE(dataWithBase64EncodedString(QByteArrayView(text.toUtf8())), expected);
}

void tst_Base64Encoding::roundTrip_data()
{
    QTest::addColumn<int>("lineLength");
    QTest::newRow("one line") << 0;
    QTest::newRow("every group") << 1;
    QTest::newRow("mime lines") << 76;
}

void tst_Base64Encoding::roundTrip()
{
    QFETCH(int, lineLength);
    QRandomGenerator random(42);
    for (int size = 0; size < 200; ++size) {
        QByteArray data(size, Qt::Uninitialized);
        for (char& byte : data)
            byte = char(random.bounded(256));
        const QString text = base64EncodingWithLineLength(data, lineLength);
        QCOMPARE(QString(text).remove('\n'), QString::fromLatin1(data.toBase64()));
        QCOMPARE(dataWithBase64EncodedString(text), data);
        // Without padding the data must come back too.
        QCOMPARE(dataWithBase64EncodedString(QString(text).remove('=')), data);
    }
}

void tst_Base64Encoding::alphabet_data()
{
    QTest::addColumn<QChar>("c");
    QTest::addColumn<bool>("part");

    for (const char c : QByteArray("AZaz09+/"))
        QTest::addRow("%c", c) << QChar(c) << true;
    for (const char c : QByteArray("=-_ \n."))
        QTest::addRow("0x%02x", c) << QChar(c) << false;
    QTest::newRow("e acute") << QChar(0xE9) << false;
    QTest::newRow("fullwidth A") << QChar(0xFF21) << false;
}

void tst_Base64Encoding::alphabet()
{
    QFETCH(QChar, c);
    QFETCH(bool, part);
    QCOMPARE(isCharacterPartOfBase64Encoding(c), part);
}

QTEST_GUILESS_MAIN(tst_Base64Encoding)
#include "tst_base64encoding.moc"
