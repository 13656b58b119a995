#include "StringEncoding.h"
#include "ThreadCpuTimer.h"

#include <QTest>

using namespace rv;

namespace {

const QString grinning = QString::fromUcs4(U"\U0001F600");
const QString replacement = QString(QChar(0xFFFD));

} // namespace

class tst_StringEncoding : public QObject {
    Q_OBJECT

private slots:
    void convertEntities_data();
    void convertEntities();
    void convertSingleEntity_data();
    void convertSingleEntity();
    void encodeNonASCII_data();
    void encodeNonASCII();
    void encodeCharacters_data();
    void encodeCharacters();
    void longTextsStayLinear();
    void encodedTextDecodesBack_data();
    void encodedTextDecodesBack();
    void removeControlChars_data();
    void removeControlChars();
    void removeControlCharsAtEveryPlace();
    void containsControlChars();
    void xmlEscapes_data();
    void xmlEscapes();
    void stripHTML_data();
    void stripHTML();
    void removeBreaksInTags();
    void renderHTML_data();
    void renderHTML();
    void validURL_data();
    void validURL();
    void htmlFromPlainText_data();
    void htmlFromPlainText();
};

void tst_StringEncoding::convertEntities_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("no ampersand") << "plain <text>"
                                  << "plain <text>";
    QTest::newRow("named") << "caf&eacute; cr&egrave;me"
                           << "café crème";
    QTest::newRow("named at end without semicolon") << "caf&eacute"
                                                    << "café";
    QTest::newRow("unknown name kept") << "a &bogus; b"
                                       << "a &bogus; b";
    QTest::newRow("stray ampersand without semicolon") << "AT&T and more"
                                                       << "AT&T and more";
    QTest::newRow("stray ampersand before entity") << "AT&T caf&eacute;"
                                                   << "AT&T café";
    QTest::newRow("decimal") << "&#65;&#66;"
                             << "AB";
    QTest::newRow("hex lower and upper x") << "&#x41;&#X42;&#x6a;"
                                           << "ABj";
    QTest::newRow("Windows-1252 remap") << "a&#150;b&#8211;c" << u"a\u2013b\u2013c"_qs;
    QTest::newRow("hex is not remapped") << "&#x2014;" << u"\u2014"_qs;
    QTest::newRow("xml set") << "&lt;b&gt; &quot;x&quot; &apos;"
                             << "<b> \"x\" '";
    // The XML escapes are decoded first, so an escaped entity is decoded twice.
    QTest::newRow("escaped entity decoded twice") << "&amp;eacute;"
                                                  << "é";
    QTest::newRow("mixed") << "&eacute;&#233;&#xE9;&#xe9"
                           << "éééé";

    // One reference per code point, and invalid values give U+FFFD.
    QTest::newRow("astral hex") << "&#x1F600;" << grinning;
    QTest::newRow("astral decimal") << "&#128512;!" << grinning + "!";
    QTest::newRow("zero") << "&#0;" << replacement;
    QTest::newRow("surrogate value") << "&#xD800;" << replacement;
    QTest::newRow("above U+10FFFF") << "&#x110000;" << replacement;
    QTest::newRow("overlong number") << "&#99999999999999999999;" << replacement;

    // A ";" is consumed only when it is there.
    QTest::newRow("decimal without semicolon") << "&#65 B"
                                               << "A B";
    QTest::newRow("hex without semicolon") << "&#x41 z"
                                           << "A z";
    QTest::newRow("decimal at end") << "x&#65"
                                    << "xA";
    QTest::newRow("no digits kept") << "&#; &#x; &#"
                                    << "&#; &#x; &#";
}

void tst_StringEncoding::convertEntities()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(rv::convertEntities(input), expected);
}

void tst_StringEncoding::convertSingleEntity_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");

    QTest::newRow("named") << "eacute"
                           << "é";
    QTest::newRow("xml") << "lt"
                         << "<";
    QTest::newRow("carriage return reads as line feed") << "#13"
                                                        << "\n";
    QTest::newRow("decimal") << "#65"
                             << "A";
    QTest::newRow("hex") << "#x41"
                         << "A";
    QTest::newRow("hex upper X") << "#X41"
                                 << "A";
    QTest::newRow("remapped") << "#150" << u"\u2013"_qs;
    QTest::newRow("astral") << "#x1F600" << grinning;
    QTest::newRow("zero") << "#0" << replacement;
    QTest::newRow("surrogate") << "#55296" << replacement;
    QTest::newRow("unknown name") << "bogus"
                                  << "bogus";
    QTest::newRow("no digits") << "#x"
                               << "#x";
    QTest::newRow("trailing garbage") << "#12ab"
                                      << "#12ab";
    QTest::newRow("empty") << ""
                           << "";
}

void tst_StringEncoding::convertSingleEntity()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QCOMPARE(rv::convertSingleEntity(name), expected);
}

void tst_StringEncoding::encodeNonASCII_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("ascii") << "a<b>&c"
                           << "a<b>&c";
    QTest::newRow("latin") << "café"
                           << "caf&#233;";
    QTest::newRow("astral is one reference") << "x" + grinning << "x&#128512;";
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) + "a"
                                    << "&#65533;a";
}

void tst_StringEncoding::encodeNonASCII()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(rv::encodeNonASCII(input), expected);
}

void tst_StringEncoding::encodeCharacters_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("references kept") << "&amp; &eacute; &#128512; &#x1F600; &thetasym;"
                                     << "&amp; &eacute; &#128512; &#x1F600; &thetasym;";
    QTest::newRow("stray") << "a & b"
                           << "a &#38; b";
    QTest::newRow("no semicolon anywhere") << "AT&T"
                                           << "AT&#38;T";
    QTest::newRow("long word before semicolon") << "& averylongword;"
                                                << "&#38; averylongword;";
    QTest::newRow("short distance") << "&a;"
                                    << "&#38;a;";
    // The walk goes on past a leading "&" and a doubled "&&".
    QTest::newRow("leading ampersand") << "& x & y"
                                       << "&#38; x &#38; y";
    QTest::newRow("double ampersand") << "a && b &amp;"
                                      << "a &#38;&#38; b &amp;";
    QTest::newRow("ampersand glued to entity") << "&&amp;"
                                               << "&#38;&amp;";
    QTest::newRow("not a reference within reach of a semicolon") << "Tom & Jerry;"
                                                                 << "Tom &#38; Jerry;";
    QTest::newRow("non-ascii") << "café & crème"
                               << "caf&#233; &#38; cr&#232;me";
    QTest::newRow("en dash by its own value") << u"a\u2013b"_qs << "a&#8211;b";
}

void tst_StringEncoding::encodeCharacters()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(rv::encodeCharacters(input), expected);
}

// A pasted text of a million ampersands (no ";") must not take minutes.
void tst_StringEncoding::longTextsStayLinear()
{
    const QString ampersands(1'000'000, u'&');
    plumet::test::ThreadCpuTimer timer;
    QCOMPARE(rv::encodeCharacters(ampersands).size(), 5'000'000);
    QCOMPARE(rv::convertEntities(ampersands), ampersands);
    QCOMPARE(rv::stripHTML(QString(1'000'000, u'<')), QString());
    QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
}

void tst_StringEncoding::encodedTextDecodesBack_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("latin") << "Crème brûlée <b>\"quoted\"</b>";
    QTest::newRow("astral") << "smile " + grinning + grinning;
    QTest::newRow("ampersands") << "AT&T & Co; R&D && more";
    QTest::newRow("cjk") << u"日本語のテキスト"_qs;
}

// What we send to an ASCII-only server must read back as what the user wrote.
void tst_StringEncoding::encodedTextDecodesBack()
{
    QFETCH(QString, text);
    const QString encoded = rv::encodeCharacters(text);
    for (const QChar c : encoded)
        QVERIFY2(c.unicode() < 128, qPrintable(encoded));
    QCOMPARE(rv::convertEntities(encoded), text);
}

void tst_StringEncoding::removeControlChars_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("tab, line feed, carriage return stay") << "a\tb\nc\rd"
                                                          << "a\tb\nc\rd";
    QTest::newRow("C0 controls go") << QString("a\x01\x08"
                                               "b\x1B[0m") +
                                           QChar(0)
                                    << "ab[0m";
    QTest::newRow("lone high surrogate") << QString("a") + QChar(0xD800) + "b"
                                         << "ab";
    QTest::newRow("lone low surrogate") << QString(QChar(0xDC00)) + "b"
                                        << "b";
    QTest::newRow("pair stays") << grinning << grinning;
    QTest::newRow("non-characters") << QString("x") + QChar(0xFFFE) + QChar(0xFDD0) << "x";
    // Newer than the library's Unicode tables (the shaking face of Unicode 15) is no
    // reason to drop what the user wrote.
    QTest::newRow("not yet assigned kept")
        << QString::fromUcs4(U"y\U0001FAE8\u0378") << QString::fromUcs4(U"y\U0001FAE8\u0378");
    QTest::newRow("ordinary text") << "Grüße 日本"
                                   << "Grüße 日本";
}

void tst_StringEncoding::removeControlChars()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(rv::removeControlChars(input), expected);
}

void tst_StringEncoding::removeControlCharsAtEveryPlace()
{
    // Eight characters are looked at a time: what goes, at every place of a
    // few blocks and of the tail, in texts with and without a surrogate pair,
    // and what stays on either side of the surrogates, where the quick test
    // for a block ends.
    const QString flat = QStringLiteral("Some words of plain text, then line\tone\r\nÜber 日本 ") +
                         QChar(0xD7FF) + QChar(0xE000) + QChar(0xFFFD) + QStringLiteral("end");
    // Nothing to remove from a text of one plane: it comes back, not a copy.
    QCOMPARE(rv::removeControlChars(flat).constData(), flat.constData());
    const QString paired = QString(flat).insert(flat.indexOf(u'日'), grinning);
    for (const QString& plain : {flat, paired}) {
        for (qsizetype at = 0; at <= plain.size(); ++at) {
            if (at > 0 && plain.at(at - 1).isHighSurrogate())
                continue; // not into the pair
            for (const char16_t removed :
                 {u'\x01', u'\x1F', u'\0', u'\xDC00', u'\xD800', u'\xFFFF', u'\xFDD0'}) {
                QString text = plain;
                text.insert(at, QChar(removed));
                QVERIFY2(rv::removeControlChars(text) == plain,
                         qPrintable(QStringLiteral("U+%1 at %2")
                                        .arg(int(removed), 4, 16, QLatin1Char('0'))
                                        .arg(at)));
            }
        }
    }
}

void tst_StringEncoding::containsControlChars()
{
    // Eight characters are looked at a time: a control at every place of a
    // few blocks, and the tail after the last whole block.
    const QString plain = QStringLiteral("line\tone\r\nline two\nÜber 日本 ") + grinning;
    QVERIFY(!rv::containsControlChars(plain));
    QVERIFY(!rv::containsControlChars(QString()));
    for (qsizetype at = 0; at <= plain.size(); ++at) {
        for (const char16_t control : {u'\x01', u'\x1F', u'\0', u'\x0B'}) {
            QString text = plain;
            text.insert(at, QChar(control));
            QVERIFY2(rv::containsControlChars(text), qPrintable(QString::number(at)));
        }
    }
    QVERIFY(!rv::containsControlChars(QString(40, QChar(0x20))));
    QVERIFY(!rv::containsControlChars(QString(40, QChar(0xFFFF))));
}

void tst_StringEncoding::xmlEscapes_data()
{
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("escaped");
    QTest::addColumn<QString>("decoded"); // deXML of the escaped column

    QTest::newRow("all five") << "<a href=\"x\">Tom's & Jerry</a>"
                              << "&lt;a href=&quot;x&quot;&gt;Tom&apos;s &amp; Jerry&lt;/a&gt;"
                              << "<a href=\"x\">Tom's & Jerry</a>";
    QTest::newRow("escaped escape") << "&amp;"
                                    << "&amp;amp;"
                                    << "&amp;";
}

void tst_StringEncoding::xmlEscapes()
{
    QFETCH(QString, plain);
    QFETCH(QString, escaped);
    QFETCH(QString, decoded);
    QCOMPARE(rv::enXML(plain), escaped);
    QCOMPARE(rv::deXML(escaped), decoded);
    // "&#38;" is decoded only when the text holds no "&amp;".
    QCOMPARE(rv::deXML("&amp; &#38;"), QString("& &#38;"));
    QCOMPARE(rv::deXML("&#38; &#13;"), QString("& \n"));
}

void tst_StringEncoding::stripHTML_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("tags") << "<p><b>bold</b> text</p>"
                          << "bold text";
    QTest::newRow("unclosed tag deletes to end") << "keep <a href="
                                                 << "keep ";
    QTest::newRow("lone closing bracket stays") << "a > b"
                                                << "a > b";
    QTest::newRow("nested opening") << "<<x>y>"
                                    << "y>";
    QTest::newRow("no tags") << "plain"
                             << "plain";
}

void tst_StringEncoding::stripHTML()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(rv::stripHTML(input), expected);
}

void tst_StringEncoding::removeBreaksInTags()
{
    QCOMPARE(rv::removeBreaksInTags("<a\nhref='x'\r\n>line\nbreak</a>"),
             QString("<a href='x'  >line\nbreak</a>"));
}

void tst_StringEncoding::renderHTML_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("markup") << "<p>Hello <b>world</b></p>"
                            << "Hello world";
    QTest::newRow("entities") << "&eacute;t&eacute; &amp; co"
                              << "été & co";
    QTest::newRow("paragraphs") << "<p>one</p><p>two<br>three</p>"
                                << "one\ntwo\nthree";
}

void tst_StringEncoding::renderHTML()
{
    QFETCH(QString, html);
    QFETCH(QString, expected);
    QCOMPARE(rv::renderHTML(html), expected);
}

void tst_StringEncoding::validURL_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected"); // empty: not a URL

    QTest::newRow("host and path") << "example.com/a?b=1&c=%20#top"
                                   << "http://example.com/a?b=1&c=%20#top";
    QTest::newRow("has scheme") << "ftp://files.example.org/x"
                                << "ftp://files.example.org/x";
    QTest::newRow("space") << "example.com/a b"
                           << "";
    QTest::newRow("angle bracket") << "example.com/<"
                                   << "";
    QTest::newRow("empty") << ""
                           << "";
}

void tst_StringEncoding::validURL()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(rv::validURL(input).value_or(QString()), expected);
}

void tst_StringEncoding::htmlFromPlainText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("html");

    QTest::newRow("blank line: two paragraphs") << "one\n\ntwo"
                                                << "<p>one</p>\n<p>two</p>";
    QTest::newRow("single newline: a break") << "one\ntwo"
                                             << "<p>one<br>\ntwo</p>";
    QTest::newRow("markup is text") << "<b>bold</b> <img src=x onerror=\"alert(1)\">"
                                    << "<p>&lt;b&gt;bold&lt;/b&gt; &lt;img src=x "
                                       "onerror=&quot;alert(1)&quot;&gt;</p>";
    QTest::newRow("references are text") << "AT&T &amp; &lt;"
                                         << "<p>AT&amp;T &amp;amp; &amp;lt;</p>";
    QTest::newRow("every line end, blank runs and white-space lines")
        << "\r\n\r\none\r\n  \t\r\ntwo\rthree\n\n\n\nfour\n"
        << "<p>one</p>\n<p>two<br>\nthree</p>\n<p>four</p>";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("white space only") << " \n\t\n"
                                      << "";
}

void tst_StringEncoding::htmlFromPlainText()
{
    QFETCH(QString, text);
    QFETCH(QString, html);
    QCOMPARE(rv::htmlFromPlainText(text), html);
}

QTEST_MAIN(tst_StringEncoding)
#include "tst_stringencoding.moc"
