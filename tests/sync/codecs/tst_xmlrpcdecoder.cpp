#include "TestSupport.h"
#include "ThreadCpuTimer.h"
#include "XMLRPCDecoder.h"

#include <QDateTime>
#include <QTest>
#include <QTimeZone>

using plumet::test::readTestData;

namespace {

QByteArray response(const QByteArray& value)
{
    return "<?xml version=\"1.0\"?>\n<methodResponse><params><param><value>" + value +
           "</value></param></params></methodResponse>";
}

QDateTime utc(int y, int mo, int d, int h, int mi, int s = 0, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), QTimeZone::utc());
}

} // namespace

class tst_XMLRPCDecoder : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { qputenv("TZ", "Europe/Berlin"); }

    void recentPostsFromWordPress()
    {
        const DecodeResult result =
            XMLRPCDecoder::decode(readTestData("wordpress-6.1/getRecentPosts.response.xml"));
        QVERIFY(!result.isFault());
        const QVariantList posts = result.value().toList();
        QVERIFY(posts.size() >= 2);
        QVariantMap post;
        for (const QVariant& candidate : posts) {
            if (candidate.toMap().value("postid") == "21")
                post = candidate.toMap();
        }
        QVERIFY(!post.isEmpty());
        // Every apostrophe arrives as "&#039;"; the body's "&amp;" as "&amp;amp;".
        QCOMPARE(post.value("title").toString(), QStringView(u"It's Café & Crème 😀").toString());
        const QString body = post.value("description").toString();
        QVERIFY2(body.startsWith("<p>Bob's first paragraph &amp; more.</p>"), qPrintable(body));
        QVERIFY2(body.contains("trailing spaces   </p>"), qPrintable(body));
        QCOMPARE(post.value("mt_allow_comments"), QVariant(1));
        QCOMPARE(post.value("sticky"), QVariant(false));
        QVERIFY(post.contains("datecreated") && post.contains("permalink"));
        QVERIFY(post.contains("wp_slug") && post.contains("date_created_gmt"));
        // Without a zone, the time is local (Berlin, UTC+1 in December).
        QCOMPARE(post.value("datecreated").toDateTime(), utc(2026, 12, 1, 9, 30));
        QCOMPARE(post.value("categories").toList(), QVariantList{"Uncategorized"});
    }

    void otherWordPressAnswers_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("path"); // "index/key" steps into the value
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("new post id") << "newPost.response.xml"
                                     << "" << QVariant("21");
        QTest::newRow("delete") << "blogger.deletePost.response.xml"
                                << "" << QVariant(true);
        QTest::newRow("category list") << "mt.getCategoryList.response.xml"
                                       << "0/categoryname" << QVariant("Linux");
        QTest::newRow("users blogs") << "wp.getUsersBlogs.response.xml"
                                     << "0/blogname" << QVariant("wp-peer test blog");
        QTest::newRow("user info") << "blogger.getUserInfo.response.xml"
                                   << "nickname" << QVariant("admin");
        QTest::newRow("rssUrl folded")
            << "metaWeblog.getCategories.response.xml"
            << "0/rssurl" << QVariant("http://127.0.0.1:8089/category/tech/linux/feed/");
        QTest::newRow("isPrimary folded") << "mt.getPostCategories.response.xml"
                                          << "0/isprimary" << QVariant(true);
        QTest::newRow("pages") << "wp.getPages.response.xml"
                               << "1/title" << QVariant("Sample Page");
        QTest::newRow("single post") << "getPost.response.xml"
                                     << "mt_text_more" << QVariant("Extended text.");
        QTest::newRow("media object url")
            << "newMediaObject.response.xml"
            << "url" << QVariant("http://127.0.0.1:8089/wp-content/uploads/2026/12/dot.png");
    }
    void otherWordPressAnswers()
    {
        QFETCH(QString, file);
        QFETCH(QString, path);
        QFETCH(QVariant, expected);
        const DecodeResult result = XMLRPCDecoder::decode(readTestData("wordpress-6.1/" + file));
        QVERIFY(!result.isFault());
        QVariant value = result.value();
        for (const QString& step : path.split(u'/', Qt::SkipEmptyParts)) {
            bool isIndex = false;
            const int index = step.toInt(&isIndex);
            value = isIndex ? value.toList().value(index) : value.toMap().value(step);
        }
        QCOMPARE(value.toString(), expected.toString());
    }

    void faults_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("bad login")
            << "fault.bad-login.response.xml" << 403 << "Incorrect username or password.";
        QTest::newRow("invalid post")
            << "fault.invalid-post.response.xml" << 404 << "Invalid post ID.";
    }
    void faults()
    {
        QFETCH(QString, file);
        QFETCH(int, code);
        QFETCH(QString, message);
        const DecodeResult result = XMLRPCDecoder::decode(readTestData("wordpress-6.1/" + file));
        QVERIFY(result.isFault());
        QVERIFY(result.isServerFault());
        QCOMPARE(result.faultCode().toInt(), code);
        QCOMPARE(result.faultString(), message);
    }

    void faultStringForms_data()
    {
        QTest::addColumn<QByteArray>("faultValue");
        QTest::addColumn<QString>("message");
        QTest::newRow("array") << QByteArray(
                                      "<struct><member><name>faultString</name><value><array>"
                                      "<data><value>first</value><value>second</value>"
                                      "</data></array></value></member></struct>")
                               << "first";
        QTest::newRow("missing") << QByteArray("<struct></struct>") << "Unknown error.";
        QTest::newRow("number") << QByteArray("<struct><member><name>faultString</name>"
                                              "<value><int>7</int></value></member></struct>")
                                << "Unknown error.";
        QTest::newRow("empty value") << QByteArray() << "Unknown error.";
    }
    void faultStringForms()
    {
        QFETCH(QByteArray, faultValue);
        QFETCH(QString, message);
        const DecodeResult result =
            XMLRPCDecoder::decode("<?xml version=\"1.0\"?><methodResponse><fault><value>" +
                                  faultValue + "</value></fault></methodResponse>");
        QVERIFY(result.isServerFault());
        QCOMPARE(result.faultString(), message);
    }

    void refusals_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("message");
        const QString unexpected = "Unexpected data from server. Is the access point correct?";
        const QString html =
            "Received HTML from server instead of XML. Is the access point correct?";
        const QString undeclared = "The server's answer is not UTF-8 text and does not say which "
                                   "character encoding it is in, so it could not be read.";
        QTest::newRow("empty") << QByteArray() << int(DecodeResult::Error::UnexpectedData)
                               << unexpected;
        QTest::newRow("not UTF-8") << QByteArray("<?xml version=\"1.0\"?>\xff\xfe")
                                   << int(DecodeResult::Error::UndeclaredEncoding) << undeclared;
        QTest::newRow("GET answer") << readTestData("wordpress-6.1/get-xmlrpc.response.txt")
                                    << int(DecodeResult::Error::PostRequestsOnly)
                                    << "Received \"XML-RPC server accepts POST requests only\" "
                                       "message from server, which means your server is blocking "
                                       "access. See the FAQ on how to resolve this.";
        QTest::newRow("home page") << readTestData("wordpress-6.1/home.html")
                                   << int(DecodeResult::Error::HTMLInsteadOfXML) << html;
        QTest::newRow("XHTML page")
            << QByteArray("<?xml version=\"1.0\"?><html><body>Not found</body></html>")
            << int(DecodeResult::Error::HTMLInsteadOfXML) << html;
        QTest::newRow("XHTML page with a doctype")
            << QByteArray("<?xml version=\"1.0\"?>\n<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 "
                          "Strict//EN\" \"http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd\">\n"
                          "<html><body>Not found</body></html>")
            << int(DecodeResult::Error::HTMLInsteadOfXML) << html;
        QTest::newRow("plain text") << QByteArray("Service unavailable")
                                    << int(DecodeResult::Error::UnexpectedData) << unexpected;
        QTest::newRow("DTD") << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE methodResponse>"
                                           "<methodResponse/>")
                             << int(DecodeResult::Error::UnexpectedData) << unexpected;
    }
    void refusals()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, error);
        QFETCH(QString, message);
        const DecodeResult result = XMLRPCDecoder::decode(bytes);
        QVERIFY(result.isFault());
        QVERIFY(!result.isServerFault());
        QCOMPARE(int(result.error()), error);
        QCOMPARE(result.faultString(), message);
    }

    void parseErrorIsReported()
    {
        const DecodeResult result = XMLRPCDecoder::decode(
            "<?xml version=\"1.0\"?>\n<methodResponse><params><param><value><string>a</strin>"
            "</value></param></params></methodResponse>");
        QCOMPARE(result.error(), DecodeResult::Error::ParseError);
        QVERIFY2(result.faultString().contains("line 2"), qPrintable(result.faultString()));
    }

    void htmlInsideAValidAnswer()
    {
        const DecodeResult result = XMLRPCDecoder::decode(
            response("<string><![CDATA[<HTML><body>post</body></HTML>]]> &lt;html&gt;</string>"));
        QVERIFY(!result.isFault());
        QCOMPARE(result.value().toString(),
                 QStringLiteral("<HTML><body>post</body></HTML> <html>"));
    }

    void values_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("int") << QByteArray("<int>42</int>") << QVariant(42);
        QTest::newRow("i4 negative") << QByteArray("<i4> -7 </i4>") << QVariant(-7);
        QTest::newRow("int beyond 32 bits")
            << QByteArray("<int>3000000000</int>") << QVariant(qint64(3000000000));
        QTest::newRow("i8") << QByteArray("<i8>9007199254740993</i8>")
                            << QVariant(qint64(9007199254740993));
        QTest::newRow("ex:i8") << QByteArray("<ex:i8>-12</ex:i8>") << QVariant(qint64(-12));
        QTest::newRow("double") << QByteArray("<double>2.75</double>") << QVariant(2.75);
        QTest::newRow("boolean 1") << QByteArray("<boolean>1</boolean>") << QVariant(true);
        QTest::newRow("boolean word") << QByteArray("<boolean>true</boolean>") << QVariant(false);
        QTest::newRow("untyped") << QByteArray("abc") << QVariant("abc");
        QTest::newRow("string keeps its whitespace")
            << QByteArray("<string>  two\n\tlines  \r\n</string>")
            << QVariant("  two\n\tlines  \n");
        QTest::newRow("character references")
            << QByteArray("<string>It&#039;s &#233;&#xE9; &#32;&#xd;&nbsp;&hellip;</string>")
            << QVariant(QStringView(u"It's éé  \r\u00A0…").toString());
        QTest::newRow("unknown entity stays")
            << QByteArray("<string>a &bogus; b</string>") << QVariant("a &bogus; b");
        QTest::newRow("base64") << QByteArray("<base64>aGkh\n</base64>")
                                << QVariant(QByteArray("hi!"));
        // Markup inside a text: from there on the text comes piece by piece.
        QTest::newRow("comment between references")
            << QByteArray("<string>more than sixteen bytes a&amp;<!-- c -->b&amp;c</string>")
            << QVariant("more than sixteen bytes a&b&c");
        QTest::newRow("processing instruction")
            << QByteArray("<string>x&lt;<?php echo 1; ?>y&gt;</string>") << QVariant("x<y>");
        QTest::newRow("element inside a string")
            << QByteArray("<string>a<b>x</b>c</string>") << QVariant("ac");
        QTest::newRow("comment in an untyped value")
            << QByteArray("a<!-- c -->b") << QVariant("ab");
        QTest::newRow("line end references beside raw CRLF, around markup")
            << QByteArray("<string>one&#13;&#10;two\r\n<!-- c -->three&#13;&#10;four\r\n</string>")
            << QVariant("one\r\ntwo\nthree\r\nfour\n");
        QTest::newRow("HTML entities after markup")
            << QByteArray("<string><!-- c -->caf&eacute;&nbsp;&hellip; &bogus;</string>")
            << QVariant(QStringView(u"café\u00A0… &bogus;").toString());
        QTest::newRow("unknown type") << QByteArray("<nil/>") << QVariant("nil");
        QTest::newRow("empty value") << QByteArray("") << QVariant();
    }
    void values()
    {
        QFETCH(QByteArray, value);
        QFETCH(QVariant, expected);
        const DecodeResult result = XMLRPCDecoder::decode(response(value));
        QVERIFY(!result.isFault());
        QCOMPARE(result.value(), expected);
        QCOMPARE(result.value().typeId(), expected.typeId());
    }

    void dates_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("expected");
        QTest::newRow("local, winter") << "20261201T10:30:00" << utc(2026, 12, 1, 9, 30);
        QTest::newRow("local, summer") << "20260701T10:30:00" << utc(2026, 7, 1, 8, 30);
        // Never shown by a local clock: read with the offset in force before the change.
        QTest::newRow("local, skipped hour") << "20260329T02:30:00" << utc(2026, 3, 29, 1, 30);
        QTest::newRow("Z with dashes, summer") << "2026-07-01T10:00:00Z" << utc(2026, 7, 1, 10, 0);
        QTest::newRow("Z, winter") << "20260101T10:00:00Z" << utc(2026, 1, 1, 10, 0);
        QTest::newRow("offset") << "20260701T10:00:00+02:00" << utc(2026, 7, 1, 8, 0);
        QTest::newRow("negative offset, no colon")
            << "2026-07-01T10:00:00-0530" << utc(2026, 7, 1, 15, 30);
        QTest::newRow("fraction") << "20260701T10:00:00.25Z" << utc(2026, 7, 1, 10, 0, 0, 250);
        QTest::newRow("garbage") << "yesterday" << QDateTime();
        QTest::newRow("bad month") << "20261301T10:00:00Z" << QDateTime();
    }
    void dates()
    {
        QFETCH(QString, text);
        QFETCH(QDateTime, expected);
        const DecodeResult result = XMLRPCDecoder::decode(
            response("<struct><member><name>d</name><value><dateTime.iso8601>" + text.toUtf8() +
                     "</dateTime.iso8601></value></member></struct>"));
        const QVariant date = result.value().toMap().value("d");
        if (!expected.isValid()) {
            QCOMPARE(date, QVariant(QString()));
            return;
        }
        QCOMPARE(date.toDateTime(), expected);
        const QString clock = text.mid(text.indexOf(u'T') + 1);
        const bool zoned = clock.contains(u'Z') || clock.contains(u'+') || clock.contains(u'-');
        if (zoned) {
            QCOMPARE(date.toDateTime().timeSpec(), Qt::UTC);
        } else {
            // A local clock time keeps its clock fields, whatever the zone does then.
            QCOMPARE(date.toDateTime().time().toString("HH:mm:ss"), clock);
        }
    }

    void structAndArrayRules()
    {
        const DecodeResult result = XMLRPCDecoder::decode(
            response("<struct>"
                     "<member><name>BlogName</name><value>first</value></member>"
                     "<member><name>blogname</name><value>second</value></member>"
                     "<member><name>faultString</name><value>kept</value></member>"
                     "<member><name>faultCode</name><value><int>5</int></value></member>"
                     "<member><name>nickname</name><value></value></member>"
                     "<member><value>no name</value></member>"
                     "<member><name></name><value>empty name</value></member>"
                     "<member><name>list</name><value><array><data><value>a</value><value></value>"
                     "<value><dateTime.iso8601>bad</dateTime.iso8601></value><value>b</value>"
                     "</data></array></value></member>"
                     "</struct>"));
        const QVariantMap map = result.value().toMap();
        QCOMPARE(map.keys(),
                 (QStringList{"blogname", "faultCode", "faultString", "list", "nickname"}));
        // An answer that merely carries fault-like members is no fault.
        QVERIFY(!result.isFault());
        QVERIFY(!result.faultCode().isValid());
        QCOMPARE(map.value("blogname"), QVariant("second"));
        QCOMPARE(map.value("nickname"), QVariant(""));
        QCOMPARE(map.value("list").toList(), (QVariantList{"a", "b"}));
    }

    void lastRepeatedElementCounts()
    {
        const DecodeResult result = XMLRPCDecoder::decode(
            "<?xml version=\"1.0\"?><methodResponse><params>"
            "<param><value>one</value></param><param><value>two</value><value>three</value></param>"
            "</params></methodResponse>");
        QCOMPARE(result.value(), QVariant("three"));
    }

    void junkAroundTheDocument()
    {
        const QByteArray answer =
            "\xEF\xBB\xBFWarning: deprecated in /var/www/x.php\n" +
            response("<string>ok</string>").replace("</methodResponse>", "</METHODRESPONSE>") +
            "\n<!-- cached -->garbage<";
        const DecodeResult result = XMLRPCDecoder::decode(answer);
        QVERIFY2(!result.isFault(), qPrintable(result.faultString()));
        QCOMPARE(result.value(), QVariant("ok"));
    }

    void missingElementsGiveNothing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty response") << QByteArray("<?xml version=\"1.0\"?><methodResponse/>");
        QTest::newRow("no value") << QByteArray("<?xml version=\"1.0\"?><methodResponse><params>"
                                                "<param/></params></methodResponse>");
        QTest::newRow("fault without value")
            << QByteArray("<?xml version=\"1.0\"?><methodResponse><fault/></methodResponse>");
        QTest::newRow("other root") << QByteArray("<?xml version=\"1.0\"?><rss/>");
    }
    void missingElementsGiveNothing()
    {
        QFETCH(QByteArray, bytes);
        const DecodeResult result = XMLRPCDecoder::decode(bytes);
        QVERIFY(!result.isFault());
        QVERIFY(!result.value().isValid());
    }

    void hostileInputIsRefusedQuickly_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QByteArray laughs = "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\">";
        for (int i = 1; i < 10; ++i)
            laughs += QByteArray("<!ENTITY lol") + QByteArray::number(i) + " \"" +
                      QByteArray("&lol")
                          .append(i > 1 ? QByteArray::number(i - 1) : "")
                          .append(";")
                          .repeated(10) +
                      "\">";
        laughs += "]><methodResponse><params><param><value>&lol9;</value></param></params>"
                  "</methodResponse>";
        QTest::newRow("billion laughs") << laughs;
        QTest::newRow("deep nesting")
            << response(QByteArray("<array><data><value>").repeated(100000));
    }
    void hostileInputIsRefusedQuickly()
    {
        QFETCH(QByteArray, bytes);
        plumet::test::ThreadCpuTimer timer;
        const DecodeResult result = XMLRPCDecoder::decode(bytes);
        QVERIFY(result.isFault());
        QVERIFY(!result.isServerFault());
        QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
    }

    // A blog kept in another character set answers in it and says so.
    void declaredCharacterSets_data()
    {
        QTest::addColumn<QByteArray>("declaration");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("ISO 8859-1")
            << QByteArray("encoding=\"ISO-8859-1\"") << QByteArray("Caf\xE9 cr\xE8me")
            << QStringLiteral("Café crème");
        QTest::newRow("Windows-1252, single quotes")
            << QByteArray("encoding='windows-1252'") << QByteArray("\x80 5 \x93q\x94")
            << QStringLiteral("€ 5 “q”");
        QTest::newRow("ISO 8859-15")
            << QByteArray("encoding=\"iso-8859-15\"") << QByteArray("\xA4") << QStringLiteral("€");
        QTest::newRow("UTF-8 declared") << QByteArray("encoding=\"UTF-8\"")
                                        << QByteArray("Caf\xC3\xA9") << QStringLiteral("Café");
        QTest::newRow("none declared: UTF-8")
            << QByteArray() << QByteArray("Caf\xC3\xA9") << QStringLiteral("Café");
        QTest::newRow("unknown name: UTF-8") << QByteArray("encoding=\"x-unheard-of\"")
                                             << QByteArray("Caf\xC3\xA9") << QStringLiteral("Café");
    }
    void declaredCharacterSets()
    {
        QFETCH(QByteArray, declaration);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        const DecodeResult result = XMLRPCDecoder::decode(
            "<?xml version=\"1.0\" " + declaration +
            "?>\n<methodResponse><params><param><value><struct><member><name>title</name>"
            "<value><string>" +
            bytes +
            "</string></value></member></struct></value></param></params></methodResponse>");
        QVERIFY2(!result.isFault(), qPrintable(result.faultString()));
        QCOMPARE(result.value().toMap().value("title").toString(), expected);
    }

    void undeclaredLatin1IsRefused()
    {
        const DecodeResult result = XMLRPCDecoder::decode(response("<string>Caf\xE9</string>"));
        QCOMPARE(result.error(), DecodeResult::Error::UndeclaredEncoding);
        QVERIFY2(result.faultString().contains(QLatin1String("not UTF-8")) &&
                     result.faultString().contains(QLatin1String("encoding")),
                 qPrintable(result.faultString()));
    }
};

QTEST_GUILESS_MAIN(tst_XMLRPCDecoder)
#include "tst_xmlrpcdecoder.moc"
