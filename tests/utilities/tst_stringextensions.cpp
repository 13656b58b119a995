#include "StringExtensions.h"

#include <QTest>
#include <ctime>

using namespace rv;

Q_DECLARE_METATYPE(std::optional<rv::Color>)

class tst_StringExtensions : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void comparisons_data();
    void comparisons();
    void imageURLAndScheme_data();
    void imageURLAndScheme();
    void trimming_data();
    void trimming();
    void whitespace();

    void MD5_data();
    void MD5();
    void digestsAndWSSE();

    void encodeXML_data();
    void encodeXML();
    void decodeXML_data();
    void decodeXML();

    void appendURLComponent_data();
    void appendURLComponent();
    void deleteLastURLComponent_data();
    void deleteLastURLComponent();
    void escapedURL_data();
    void escapedURL();
    void URLFromClipboardText_data();
    void URLFromClipboardText();

    void parseDate_data();
    void parseDate();
    void parseDateReadsNoZoneAsLocal();

    void colorFromCSSColorSpec_data();
    void colorFromCSSColorSpec();
};

// A zone with daylight saving time, so that reading a "Z" time as local time or
// using today's offset for another season shows up whatever day the test runs.
void tst_StringExtensions::initTestCase()
{
    qputenv("TZ", "Europe/Berlin");
    tzset();
    const QDateTime summerNoon(QDate(2008, 7, 1), QTime(12, 0), Qt::UTC);
    const QDateTime winterNoon(QDate(2008, 1, 2), QTime(12, 0), Qt::UTC);
    QCOMPARE(summerNoon.toLocalTime().time(), QTime(14, 0));
    QCOMPARE(winterNoon.toLocalTime().time(), QTime(13, 0));
}

void tst_StringExtensions::comparisons_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("sortaEqual");
    QTest::addColumn<bool>("equalTrimmed");
    QTest::addColumn<bool>("contains");

    QTest::newRow("same") << "Blog"
                          << "Blog" << true << true << true;
    QTest::newRow("case") << "WordPress"
                          << "wordpress" << true << false << true;
    QTest::newRow("padding") << " Blog\n"
                             << "\tBlog " << false << true << false;
    QTest::newRow("part") << "My WordPress Blog"
                          << "PRESS" << false << false << true;
}

void tst_StringExtensions::comparisons()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, sortaEqual);
    QFETCH(bool, equalTrimmed);
    QFETCH(bool, contains);
    QCOMPARE(rv::isSortaEqualTo(a, b), sortaEqual);
    QCOMPARE(rv::isEqualToTrimmed(a, b), equalTrimmed);
    QCOMPARE(rv::substr(a, b), contains);
}

void tst_StringExtensions::imageURLAndScheme_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("image");
    QTest::addColumn<bool>("scheme");

    QTest::newRow("jpeg upper case") << "http://x.org/A.JPG" << true << true;
    QTest::newRow("extension mid-text") << "https://x.org/photo.png?size=2" << true << true;
    QTest::newRow("mp4") << "ftp://x.org/clip.mp4" << true << true;
    QTest::newRow("page") << "mailto:me@x.org" << false << true;
    QTest::newRow("scheme is case-sensitive") << "HTTP://x.org/a.gif" << true << false;
    QTest::newRow("javascript") << "javascript:alert(1)" << false << false;
}

void tst_StringExtensions::imageURLAndScheme()
{
    QFETCH(QString, text);
    QFETCH(bool, image);
    QFETCH(bool, scheme);
    QCOMPARE(rv::imageURL(text), image);
    QCOMPARE(rv::validURLScheme(text), scheme);
}

void tst_StringExtensions::trimming_data()
{
    QTest::addColumn<QString>("function");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("trimHTML bold word") << "trimHTML"
                                        << "<b>bold</b> word"
                                        << " bold  word";
    QTest::newRow("trimHTML nesting") << "trimHTML"
                                      << "x<<y>>z"
                                      << "x z";
    QTest::newRow("trimHTML unclosed swallows rest") << "trimHTML"
                                                     << "a <b c"
                                                     << "a ";
    QTest::newRow("trimHTML lone close") << "trimHTML"
                                         << "a > b"
                                         << "a > b";
    QTest::newRow("trimWhitespace") << "trimWhitespace"
                                    << " \t a b \n"
                                    << "a b";
    QTest::newRow("trimNonLetters") << "trimNonLetters"
                                    << "Hello, world! 3+4"
                                    << "Helloworld3+4";
    QTest::newRow("decodeXMLEntity") << "decodeXMLEntity"
                                     << "eacute"
                                     << "é";
}

void tst_StringExtensions::trimming()
{
    QFETCH(QString, function);
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QString actual;
    if (function == "trimHTML")
        actual = rv::trimHTML(input);
    else if (function == "trimWhitespace")
        actual = rv::trimWhitespace(input);
    else if (function == "trimNonLetters")
        actual = rv::trimNonLetters(input);
    else
        actual = rv::decodeXMLEntity(input);
    QCOMPARE(actual, expected);
}

void tst_StringExtensions::whitespace()
{
    QCOMPARE(rv::whiteWash("line one\r\n\r\n  line\ttwo  "), QString("line one... line two "));
    QCOMPARE(rv::reduceAllWhiteSpace(" a\r\n\tb  c "), QString(" a b c "));
}

void tst_StringExtensions::MD5_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("digest");

    QTest::newRow("empty") << ""
                           << "d41d8cd98f00b204e9800998ecf8427e";
    QTest::newRow("abc") << "abc"
                         << "900150983cd24fb0d6963f7d28e17f72";
    QTest::newRow("two-byte character") << "é"
                                        << "66ddcd97cfdeabb2f6fb8a999b4bc76f";
    QTest::newRow("mixed scripts") << u"Grüße, 日本"_qs << "1be4f9be7786c360d6f621d458f0107c";
}

void tst_StringExtensions::MD5()
{
    QFETCH(QString, text);
    QFETCH(QString, digest);
    QCOMPARE(rv::MD5(text), digest);
}

void tst_StringExtensions::digestsAndWSSE()
{
    QCOMPARE(rv::SHA1("abc").toHex(), QByteArray("a9993e364706816aba3e25717850c26c9cd0d89d"));
    QCOMPARE(rv::createWSSE(QString("abc")), QString("qZk+NkcGgWq6PiVxeFDCbJzQ2J0="));
    QCOMPARE(rv::createWSSE(QByteArray("abc")), QString("qZk+NkcGgWq6PiVxeFDCbJzQ2J0="));
    // A password with non-ASCII letters is digested as UTF-8 (one byte per
    // character would give "eYxIHY7AbAiRXrCWOfnCEBMfpL8=").
    QCOMPARE(rv::createWSSE(QString("pässwörd")), QString("9Rfd8dMqES/xrVXGbRsSyzjn6Pc="));

    // XXH64's published values: the short tail paths, and the 32-byte stripes.
    QCOMPARE(rv::contentHash64(""), 0xEF46DB3751D8E999ULL);
    QCOMPARE(rv::contentHash64("a"), 0xD24EC4F1A98C6E5BULL);
    QCOMPARE(rv::contentHash64("abc"), 0x44BC2CF5AD770999ULL);
    QCOMPARE(rv::contentHash64("Nobody inspects the spammish repetition"), 0xFBCEA83C8A378BF1ULL);
}

void tst_StringExtensions::encodeXML_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("set") << "<a href=\"x\">R&D</a>"
                         << "&lt;a href=&quot;x&quot;&gt;R&amp;D&lt;/a&gt;";
    QTest::newRow("apostrophe stays") << "it's"
                                      << "it's";
    QTest::newRow("escape escaped again") << "&amp;"
                                          << "&amp;amp;";
}

void tst_StringExtensions::encodeXML()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(rv::encodeXML(input), expected);
}

void tst_StringExtensions::decodeXML_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("named") << "&lt;p&gt; &quot;q&quot; &apos;a&apos; &amp;"
                           << "<p> \"q\" 'a' &";
    QTest::newRow("numeric") << "&#38;&#60;&#34;&#62;&#39;"
                             << "&<\">'";
    QTest::newRow("carriage return") << "a&#13;b"
                                     << "a\nb";
    QTest::newRow("escaped numeric decoded twice") << "&amp;#60;"
                                                   << "<";
    QTest::newRow("escaped named decoded once") << "&amp;lt;"
                                                << "&lt;";
}

void tst_StringExtensions::decodeXML()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(rv::decodeXML(input), expected);
}

void tst_StringExtensions::appendURLComponent_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("component");
    QTest::addColumn<QString>("expected");

    QTest::newRow("neither") << "http://x.org/a"
                             << "b"
                             << "http://x.org/a/b";
    QTest::newRow("base slash") << "http://x.org/a/"
                                << "b"
                                << "http://x.org/a/b";
    QTest::newRow("component slash") << "http://x.org/a"
                                     << "/b"
                                     << "http://x.org/a/b";
    QTest::newRow("both") << "http://x.org/a/"
                          << "/b"
                          << "http://x.org/a/b";
    QTest::newRow("empty base") << ""
                                << "/b"
                                << "b";
}

void tst_StringExtensions::appendURLComponent()
{
    QFETCH(QString, base);
    QFETCH(QString, component);
    QFETCH(QString, expected);
    QCOMPARE(rv::stringByAppendingURLComponent(base, component), expected);
}

void tst_StringExtensions::deleteLastURLComponent_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("two components") << "http://x.org/a/b"
                                    << "http://x.org/a";
    QTest::newRow("trailing slash") << "/a/b/"
                                    << "/a";
    QTest::newRow("top") << "/a"
                         << "/";
    QTest::newRow("root") << "/"
                          << "/";
    QTest::newRow("no slash") << "abc"
                              << "";
    QTest::newRow("empty") << ""
                           << "";
}

void tst_StringExtensions::deleteLastURLComponent()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(rv::stringByDeletingLastURLComponent(input), expected);
}

void tst_StringExtensions::escapedURL_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("legal");
    QTest::addColumn<QByteArray>("expected"); // empty: no URL

    QTest::newRow("space") << "http://x.org/a b"
                           << "" << QByteArray("http://x.org/a%20b");
    QTest::newRow("utf-8") << "http://x.org/café"
                           << "" << QByteArray("http://x.org/caf%C3%A9");
    QTest::newRow("quote and braces") << "http://x.org/\"{x}\""
                                      << "" << QByteArray("http://x.org/%22%7Bx%7D%22");
    QTest::newRow("query kept") << "http://x.org/?a=1&b=2"
                                << "" << QByteArray("http://x.org/?a=1&b=2");
    QTest::newRow("valid escape kept") << "http://x.org/a%20b"
                                       << "" << QByteArray("http://x.org/a%20b");
    QTest::newRow("bare percent escaped") << "http://x.org/100%"
                                          << "" << QByteArray("http://x.org/100%25");
    QTest::newRow("fragment kept") << "http://x.org/p#top"
                                   << "" << QByteArray("http://x.org/p#top");
    QTest::newRow("second hash escaped") << "http://x.org/p#a#b"
                                         << "" << QByteArray("http://x.org/p#a%23b");
    QTest::newRow("ipv6 host") << "http://[::1]:8080/p"
                               << "" << QByteArray("http://[::1]:8080/p");
    QTest::newRow("brackets in path escaped") << "http://x.org/a[1]"
                                              << "" << QByteArray("http://x.org/a%5B1%5D");
    // The host is left to IDNA; the rest of the address is escaped as UTF-8.
    QTest::newRow("internationalised host")
        << "http://exämple.com/café?q=ü#ä"
        << "" << QByteArray("http://xn--exmple-cua.com/caf%C3%A9?q=%C3%BC#%C3%A4");
    QTest::newRow("internationalised host with user and port")
        << "https://jö:pw@bücher.example:8443/"
        << "" << QByteArray("https://j%C3%B6:pw@xn--bcher-kva.example:8443/");
    QTest::newRow("legal character left alone") << "http://x.org/a b"
                                                << " " << QByteArray();
    QTest::newRow("empty") << ""
                           << "" << QByteArray();
}

void tst_StringExtensions::escapedURL()
{
    QFETCH(QString, input);
    QFETCH(QString, legal);
    QFETCH(QByteArray, expected);
    const QUrl url = rv::escapedURL(input, legal);
    QCOMPARE(url.isValid(), !expected.isEmpty());
    if (url.isValid())
        QCOMPARE(url.toEncoded(), expected);
}

void tst_StringExtensions::URLFromClipboardText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // empty: no URL

    QTest::newRow("host and path") << "www.example.com/path"
                                   << "http://www.example.com/path";
    QTest::newRow("scheme, escaped ampersand") << "http://x.org/?a=1&b=2"
                                               << "http://x.org/?a=1&amp;b=2";
    QTest::newRow("mail") << "mailto:me@x.org"
                          << "mailto:me@x.org";
    QTest::newRow("letters of any script") << "exämple.com"
                                           << "http://exämple.com";
    QTest::newRow("space") << "has space.com"
                           << "";
    QTest::newRow("no dot") << "localhost/path"
                            << "";
    QTest::newRow("empty") << ""
                           << "";
}

void tst_StringExtensions::URLFromClipboardText()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(rv::URLFromClipboardText(text).value_or(QString()), expected);
}

void tst_StringExtensions::parseDate_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDateTime>("expected"); // invalid: unreadable

    const auto utc = [](int y, int mo, int d, int h, int mi, int s = 0) {
        return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
    };
    // "Z" means UTC in winter and in summer alike.
    QTest::newRow("Z winter") << "2008-01-02T10:00:00Z" << utc(2008, 1, 2, 10, 0);
    QTest::newRow("Z summer") << "2008-07-01T10:00:00Z" << utc(2008, 7, 1, 10, 0);
    QTest::newRow("minutes only Z") << "2008-07-01T10:05Z" << utc(2008, 7, 1, 10, 5);
    QTest::newRow("fraction and +hh:mm")
        << "2008-01-02T11:30:00.123+01:30" << utc(2008, 1, 2, 10, 0);
    QTest::newRow("fraction and Z") << "2008-01-02T10:00:00.5Z" << utc(2008, 1, 2, 10, 0);
    QTest::newRow("negative offset") << "2008-07-01T05:00:00-05:00" << utc(2008, 7, 1, 10, 0);
    QTest::newRow("offset without colon") << "2008-07-01T12:00:00+0200" << utc(2008, 7, 1, 10, 0);
    QTest::newRow("minutes and offset") << "2008-07-01T12:00+02:00" << utc(2008, 7, 1, 10, 0);
    QTest::newRow("RFC 2822") << "Tue, 01 Jul 2008 10:00:00 +0000" << utc(2008, 7, 1, 10, 0);
    // The zone names RFC 2822 knows; military letters stand for UTC, as it advises.
    QTest::newRow("RFC 2822 GMT") << "Tue, 01 Jul 2008 10:00:00 GMT" << utc(2008, 7, 1, 10, 0);
    QTest::newRow("RFC 2822 UT") << "Tue, 01 Jul 2008 10:00:00 UT" << utc(2008, 7, 1, 10, 0);
    QTest::newRow("RFC 2822 EST") << "Wed, 02 Jan 2008 05:00:00 EST" << utc(2008, 1, 2, 10, 0);
    QTest::newRow("RFC 2822 EDT") << "Tue, 01 Jul 2008 06:00:00 EDT" << utc(2008, 7, 1, 10, 0);
    QTest::newRow("RFC 2822 CDT") << "Tue, 01 Jul 2008 05:00:00 CDT" << utc(2008, 7, 1, 10, 0);
    QTest::newRow("RFC 2822 MST") << "Tue, 01 Jul 2008 03:00:00 MST" << utc(2008, 7, 1, 10, 0);
    QTest::newRow("RFC 2822 PDT") << "Tue, 01 Jul 2008 03:00:00 PDT" << utc(2008, 7, 1, 10, 0);
    QTest::newRow("RFC 2822 PST") << "Tue, 01 Jan 2008 02:00:00 PST" << utc(2008, 1, 1, 10, 0);
    QTest::newRow("RFC 2822 military") << "01 Jul 2008 10:00:00 Z" << utc(2008, 7, 1, 10, 0);
    QTest::newRow("RFC 2822 short forms") << "1 jul 08 10:00 +0200 (CEST)" << utc(2008, 7, 1, 8, 0);
    QTest::newRow("RFC 2822 unknown zone") << "Tue, 01 Jul 2008 10:00:00 CEST" << QDateTime();
    // Offsets no clock can have.
    QTest::newRow("offset +99:99") << "2008-07-01T10:00:00+99:99" << QDateTime();
    QTest::newRow("offset +24:00") << "2008-07-01T10:00:00+24:00" << QDateTime();
    QTest::newRow("offset -05:60") << "2008-07-01T10:00:00-05:60" << QDateTime();
    QTest::newRow("RFC 2822 offset +9999") << "Tue, 01 Jul 2008 10:00:00 +9999" << QDateTime();
    // Clocks in Berlin went from 02:00 to 03:00 that night: the time moves forward.
    QTest::newRow("no zone, skipped hour") << "2008-03-30T02:30:00" << utc(2008, 3, 30, 1, 30);
    QTest::newRow("compact, skipped hour") << "20080330T02:30:00" << utc(2008, 3, 30, 1, 30);
    QTest::newRow("empty") << "" << QDateTime();
    QTest::newRow("short") << "ab" << QDateTime();
    QTest::newRow("words") << "not a date" << QDateTime();
    QTest::newRow("impossible day") << "2008-02-30T10:00:00Z" << QDateTime();
}

void tst_StringExtensions::parseDate()
{
    QFETCH(QString, text);
    QFETCH(QDateTime, expected);
    const QDateTime actual = rv::parseDate(text);
    QCOMPARE(actual.isValid(), expected.isValid());
    if (expected.isValid()) {
        QCOMPARE(actual.toUTC(), expected);
        QCOMPARE(actual.timeSpec(), Qt::LocalTime);
    }
}

// Without a zone the time is local, including XML-RPC's compact form, and a time
// ending in ":mm" is not mistaken for an offset.
void tst_StringExtensions::parseDateReadsNoZoneAsLocal()
{
    const QDateTime summer(QDate(2008, 7, 1), QTime(10, 0), Qt::LocalTime);
    QCOMPARE(rv::parseDate("2008-07-01T10:00:00"), summer);
    QCOMPARE(rv::parseDate("2008-07-01T10:00"), summer);
    QCOMPARE(rv::parseDate("20080701T10:00:00"), summer);
}

void tst_StringExtensions::colorFromCSSColorSpec_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<Color>>("expected");

    using Opt = std::optional<Color>;
    QTest::newRow("purple") << "purple" << Opt(Color(0.5, 0, 0.5));
    QTest::newRow("silver") << "silver" << Opt(Color(0.75, 0.75, 0.75));
    QTest::newRow("name is case-sensitive") << "Purple" << Opt();
    QTest::newRow("six hex digits") << "#ff8000" << Opt(Color(1, 128 / 255.0, 0));
    QTest::newRow("three digits read as a number") << "#fff" << Opt(Color(0, 15 / 255.0, 1));
    QTest::newRow("overlong hex saturates") << "#123456789abc" << Opt(Color(1, 1, 1));
    QTest::newRow("rgb") << "rgb(255, 128, 0)" << Opt(Color(1, 128 / 255.0, 0));
    QTest::newRow("rgba alpha out of 255") << "rgba(255,0,0,127.5)" << Opt(Color(1, 0, 0, 0.5));
    QTest::newRow("inside a declaration") << "color: rgb(0, 255, 0);" << Opt(Color(0, 1, 0));
    QTest::newRow("four zeros give white") << "rgba(0,0,0,0)" << Opt(Color(1, 1, 1));
    QTest::newRow("out of range clamped") << "rgb(300, -5, 0)" << Opt(Color(1, 0, 0));
    QTest::newRow("two numbers") << "rgb(1, 2)" << Opt();
    QTest::newRow("empty parentheses") << "rgb()" << Opt();
    QTest::newRow("hash alone") << "#" << Opt();
    QTest::newRow("empty") << "" << Opt();
}

void tst_StringExtensions::colorFromCSSColorSpec()
{
    QFETCH(QString, text);
    QFETCH(std::optional<Color>, expected);
    const std::optional<Color> actual = rv::colorFromCSSColorSpec(text);
    QCOMPARE(actual.has_value(), expected.has_value());
    if (expected)
        QVERIFY2(actual->isEqualToColor(*expected), qPrintable(CSSColorSpec(*actual)));
}

QTEST_MAIN(tst_StringExtensions)
#include "tst_stringextensions.moc"
