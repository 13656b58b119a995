#include "AtomDecoder.h"
#include "AtomText.h"
#include "TestSupport.h"
#include "ThreadCpuTimer.h"

#include <QDateTime>
#include <QTest>
#include <QTimeZone>

using plumet::test::readTestData;

namespace {

QDateTime utc(int y, int mo, int d, int h, int mi)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi), QTimeZone::utc());
}

QVariantMap atomLink(const QString& rel, const QString& href = QString(),
                     const QString& type = QString())
{
    QVariantMap map{{"rel", rel}};
    if (!href.isNull())
        map.insert("href", href);
    if (!type.isNull())
        map.insert("type", type);
    return map;
}

} // namespace

class tst_AtomDecoder : public QObject {
    Q_OBJECT
private slots:
    void serviceDocument()
    {
        const DecodeResult result = AtomDecoder::decode(readTestData("atom/service.xml"));
        QVERIFY2(!result.isFault(), qPrintable(result.faultString()));
        const QVariantMap map = result.value().toMap();
        QCOMPARE(map.value("links").toList(), QVariantList());
        const QVariantList workspaces = map.value("workspaces").toList();
        QCOMPARE(workspaces.size(), 2);

        const QVariantList first = workspaces[0].toMap().value("collections").toList();
        QCOMPARE(first.size(), 2);
        QCOMPARE(first[0].toMap(),
                 (QVariantMap{{"href", "https://blog.example.org/app/entries/"},
                              {"title", "Posts"},
                              {"categories", "https://blog.example.org/app/categories.xml"}}));
        // An absolute https address is taken as it stands.
        QCOMPARE(first[1].toMap(), (QVariantMap{{"href", "https://media.example.net/upload"},
                                                {"title", "Pictures &amp; Sounds"}}));
        const QVariantList second = workspaces[1].toMap().value("collections").toList();
        QCOMPARE(second,
                 (QVariantList{QVariantMap{{"href", "https://blog.example.org/second/posts"}}}));
    }

    void feedWithPrefixes()
    {
        const DecodeResult result = AtomDecoder::decode(readTestData("atom/feed.xml"));
        QVERIFY2(!result.isFault(), qPrintable(result.faultString()));
        const QVariantMap feed = result.value().toMap();
        QCOMPARE(feed.value("title"), QVariant("Notes & Pictures"));
        QCOMPARE(feed.value("links").toList(),
                 (QVariantList{atomLink("alternate", "http://blog.example.org/")}));
        QCOMPARE(feed.value("datecreated").toDateTime(), utc(2026, 12, 1, 10, 30));
        const QVariantList items = feed.value("items").toList();
        QCOMPARE(items.size(), 2);

        const QVariantMap first = items[0].toMap();
        QCOMPARE(first.value("id"), QVariant("tag:blog.example.org,2026:post-17"));
        QCOMPARE(first.value("title"), QVariant("It's  spaced"));
        QCOMPARE(first.value("datecreated").toDateTime(), utc(2026, 11, 3, 8, 0));
        QCOMPARE(first.value("author").toMap(),
                 (QVariantMap{{"name", "Bob"}, {"email", "bob@example.org"}}));
        QCOMPARE(first.value("categories").toList(), (QVariantList{"news", "linux"}));
        QCOMPARE(first.value("url"), QVariant("http://cdn.example.org/a.png"));
        QCOMPARE(first.value("links").toList(),
                 (QVariantList{
                     atomLink("edit", "http://blog.example.org/feeds/entries/17"),
                     atomLink("alternate", "https://blog.example.org/2026/11/hello", "text/html"),
                     atomLink("self")}));
        QCOMPARE(first.value("description"),
                 QVariant("Hello <b>world</b> <i>again</i> &amp; more"));
        QVERIFY(!first.contains("privacy"));

        const QVariantMap second = items[1].toMap();
        QCOMPARE(second.value("datecreated").toDateTime(), utc(2026, 10, 5, 0, 0));
        QCOMPARE(second.value("links").toList(),
                 (QVariantList{atomLink("edit", "http://blog.example.org/other/2")}));
        QCOMPARE(second.value("description"), QVariant("<p>Caf&eacute; &amp; more</p>"));
        QCOMPARE(second.value("privacy").toList(),
                 (QVariantList{
                     QVariantMap{{"policy", "group"}, {"ref", "friends"}, {"name", "Friends"}}}));
    }

    void singleEntryAgainstRequestAddress()
    {
        const DecodeResult result = AtomDecoder::decode(
            readTestData("atom/entry.xml"), QUrl("https://blog.example.org/app/entries/42"));
        QVERIFY2(!result.isFault(), qPrintable(result.faultString()));
        const QVariantMap entry = result.value().toMap();
        QVERIFY(!entry.contains("items") && !entry.contains("workspaces"));
        QCOMPARE(entry.value("title"), QVariant("Tom &amp; Jerry's"));
        QCOMPARE(entry.value("datecreated").toDateTime().toSecsSinceEpoch(),
                 utc(2026, 7, 1, 10, 0).toSecsSinceEpoch());
        QCOMPARE(entry.value("links").toList(),
                 (QVariantList{atomLink("edit", "https://blog.example.org/app/entries/42")}));
        // Two divs side by side: neither wraps the whole content.
        QCOMPARE(entry.value("description"),
                 QVariant("<div class=\"post\"><p>One</p></div><div><p>Two</p></div>"));
    }

    void unwrapEnclosingDiv_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("unwrapped");
        QTest::newRow("wrapping div") << "<div class=\"x\">Hello <b>w</b></div>  "
                                      << "Hello <b>w</b>";
        QTest::newRow("nested div") << "<div>a <div>b</div> c</div>"
                                    << "a <div>b</div> c";
        QTest::newRow("two divs") << "<div>a</div><div>b</div>"
                                  << "<div>a</div><div>b</div>";
        QTest::newRow("text after") << "<div>a</div> tail"
                                    << "<div>a</div> tail";
        QTest::newRow("other tag") << "<dialog>a</dialog>"
                                   << "<dialog>a</dialog>";
        QTest::newRow("empty div first") << "<div/>text</div>"
                                         << "<div/>text</div>";
        QTest::newRow("unclosed") << "<div>abc"
                                  << "<div>abc";
        QTest::newRow("too short") << "<div>"
                                   << "<div>";
    }
    void unwrapEnclosingDiv()
    {
        QFETCH(QString, text);
        QFETCH(QString, unwrapped);
        QCOMPARE(::unwrapEnclosingDiv(text), unwrapped);
    }

    void contentReading_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("text");
        QTest::newRow("escaped div")
            << QByteArray("<content type=\"html\">&lt;div&gt;a &amp;amp; b&lt;/div&gt;</content>")
            << "a &amp; b";
        QTest::newRow("escaped twice")
            << QByteArray("<content>&amp;lt;div&amp;gt;a&amp;lt;/div&amp;gt;</content>") << "a";
        QTest::newRow("cdata in xhtml")
            << QByteArray("<content type=\"xhtml\"><p>x &amp; <![CDATA[<y>]]></p></content>")
            << "<p>x & <y></p>";
        QTest::newRow("mode xml") << QByteArray(
                                         "<content mode=\"xml\"><p a=\"1\">x</p><br/></content>")
                                  << "<p a=\"1\">x</p><br/>";
        // Read as HTML, a self-closed <iframe/> or <a/> never closes.
        QTest::newRow("empty elements in xhtml")
            << QByteArray("<content type=\"xhtml\"><div><p>a</p><iframe src=\"v\"/>"
                          "<a name=\"x\"/><p/><br/><img src=\"i\"/><hr/><xhtml:br/>"
                          "<script src=\"s\"></script></div></content>")
            << "<p>a</p><iframe src=\"v\"></iframe><a name=\"x\"></a><p></p><br/>"
               "<img src=\"i\"/><hr/><xhtml:br/><script src=\"s\"></script>";
        QTest::newRow("plain with nbsp")
            << QByteArray("<content>a&nbsp;b</content>") << QStringView(u"a\u00A0b").toString();
    }
    void contentReading()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, text);
        const DecodeResult result =
            AtomDecoder::decode("<?xml version=\"1.0\"?><entry>" + content + "</entry>");
        QCOMPARE(result.value().toMap().value("description").toString(), text);
    }

    // A blog kept in another character set answers in it and says so.
    void declaredCharacterSet()
    {
        const DecodeResult result = AtomDecoder::decode(
            "<?xml version=\"1.0\" encoding=\"windows-1252\"?><entry><title>Caf\xE9 \x80 5"
            "</title></entry>");
        QVERIFY2(!result.isFault(), qPrintable(result.faultString()));
        QCOMPARE(result.value().toMap().value("title").toString(),
                 QStringView(u"Café € 5").toString());
    }

    void refusals_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("message");
        QTest::newRow("no declaration")
            << QByteArray("<feed/>") << int(DecodeResult::Error::UnexpectedData)
            << "Unexpected data from server. Is the access point correct?";
        QTest::newRow("unknown root")
            << QByteArray("<?xml version=\"1.0\"?><rss/>") << int(DecodeResult::Error::InvalidData)
            << "The response from the server did not contain valid data.";
        QTest::newRow("DTD") << QByteArray(
                                    "<?xml version=\"1.0\"?><!DOCTYPE feed [<!ENTITY x SYSTEM "
                                    "\"file:///etc/passwd\">]><feed><title>&x;</title></feed>")
                             << int(DecodeResult::Error::UnexpectedData)
                             << "Unexpected data from server. Is the access point correct?";
    }
    void refusals()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, error);
        QFETCH(QString, message);
        const DecodeResult result = AtomDecoder::decode(bytes);
        QVERIFY(result.isFault());
        QCOMPARE(int(result.error()), error);
        QCOMPARE(result.faultString(), message);
        QVERIFY(!result.faultCode().isValid());
    }

    void parseErrorIsAFault()
    {
        const DecodeResult result =
            AtomDecoder::decode("<?xml version=\"1.0\"?><feed><title></feed>");
        QCOMPARE(result.error(), DecodeResult::Error::ParseError);
        QVERIFY(!result.faultString().isEmpty());
    }

    void junkAroundTheDocumentIsIgnored()
    {
        const DecodeResult result = AtomDecoder::decode(
            "\xEF\xBB\xBF<br />Deprecated: in /var/www/wp-app.php\n<?xml version=\"1.0\"?>"
            "<entry><id>urn:1</id></entry>\n<b>Notice</b>: Undefined index <");
        QVERIFY2(!result.isFault(), qPrintable(result.faultString()));
        QCOMPARE(result.value().toMap().value("id"), QVariant("urn:1"));
    }

    void deepNestingIsRefusedQuickly()
    {
        plumet::test::ThreadCpuTimer timer;
        const DecodeResult result =
            AtomDecoder::decode("<?xml version=\"1.0\"?><feed><entry><content type=\"xhtml\">" +
                                QByteArray("<div>").repeated(100000));
        QCOMPARE(result.error(), DecodeResult::Error::ParseError);
        QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
    }

    void methodTextInContentIsKept()
    {
        // Unlike an XML-RPC answer, nothing is cut at a "</method" inside the content.
        const DecodeResult result = AtomDecoder::decode(
            "<?xml version=\"1.0\"?><entry><content type=\"html\"><![CDATA[see </methodCall>]]>"
            "</content></entry>");
        QVERIFY(!result.isFault());
        QCOMPARE(result.value().toMap().value("description"), QVariant("see </methodCall>"));
    }
};

QTEST_GUILESS_MAIN(tst_AtomDecoder)
#include "tst_atomdecoder.moc"
