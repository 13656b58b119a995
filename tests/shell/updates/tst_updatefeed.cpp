#include "UpdateFeed.h"

#include <QTest>

class tst_UpdateFeed : public QObject {
    Q_OBJECT
private slots:
    void scansTheFirstItem();
    void noOffer_data();
    void noOffer();
    void scanString_data();
    void scanString();
};

namespace {

const QByteArray feed = R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0"><channel><title>plumet updates</title>
<item><title>3.1</title>
<description><![CDATA[<ul><li>Faster publishing</li><li>Umlauts: äöü</li></ul>]]></description>
<enclosure url="https://updates.example.org/plumet-3.1.tar.xz?a=1&amp;b=2" length="12345678"
  type="application/x-xz" sha256="ABCDEF0123" signature="c2lnbmF0dXJl"/>
</item>
<item><title>3.0</title><description><![CDATA[old]]></description>
<enclosure url="https://updates.example.org/old.tar.xz" length="1"/></item>
</channel></rss>)";

} // namespace

void tst_UpdateFeed::scansTheFirstItem()
{
    const std::optional<UpdateOffer> offer = UpdateFeed::scan(feed);
    QVERIFY(offer);
    QCOMPARE(offer->version, QStringLiteral("3.1"));
    QCOMPARE(offer->changesList,
             QStringLiteral("<ul><li>Faster publishing</li><li>Umlauts: äöü</li></ul>"));
    QCOMPARE(offer->updateUrl,
             QStringLiteral("https://updates.example.org/plumet-3.1.tar.xz?a=1&amp;b=2"));
    QCOMPARE(offer->fileSize, QStringLiteral("12345678"));
    QCOMPARE(offer->sha256, QByteArray("ABCDEF0123"));
    QCOMPARE(offer->signature, QByteArray("c2lnbmF0dXJl"));
}

void tst_UpdateFeed::noOffer_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("no item") << QByteArray("<rss><channel><title>x</title></channel></rss>");
    QTest::newRow("item never closed") << QByteArray("<item><title>3.1</title>");
    QTest::newRow("title but no CDATA description")
        << QByteArray("<item><title>3.1</title><description>plain</description></item>");
    QTest::newRow("description but no title")
        << QByteArray("<item><description><![CDATA[x]]></description></item>");
    QTest::newRow("not UTF-8") << QByteArray(
        "<item><title>3.1\xff\xfe</title><description><![CDATA[x]]></description>"
        "</item>");
    QTest::newRow("fields of a later item do not count")
        << QByteArray("<item><title>3.1</title></item><item><description><![CDATA[x]]>"
                      "</description></item>");
}

void tst_UpdateFeed::noOffer()
{
    QFETCH(QByteArray, bytes);
    QVERIFY(!UpdateFeed::scan(bytes));
}

void tst_UpdateFeed::scanString_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("from");
    QTest::addColumn<QString>("expected"); // "<none>" for no result
    QTest::newRow("first occurrence") << "a=\"1\" a=\"2\"" << 0 << "1";
    QTest::newRow("from an offset") << "a=\"1\" a=\"2\"" << 3 << "2";
    QTest::newRow("empty value") << "a=\"\"" << 0 << "";
    QTest::newRow("opening missing") << "b=\"1\"" << 0 << "<none>";
    QTest::newRow("closing missing") << "a=\"1" << 0 << "<none>";
}

void tst_UpdateFeed::scanString()
{
    QFETCH(QString, text);
    QFETCH(int, from);
    QFETCH(QString, expected);
    const std::optional<QString> found =
        UpdateFeed::scanString(text, from, QStringLiteral("a=\""), QStringLiteral("\""));
    QCOMPARE(found.value_or(QStringLiteral("<none>")), expected);
}

QTEST_GUILESS_MAIN(tst_UpdateFeed)
#include "tst_updatefeed.moc"
