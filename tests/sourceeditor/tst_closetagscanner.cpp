#include "CloseTagScanner.h"

#include <QTest>

class tst_CloseTagScanner : public QObject {
    Q_OBJECT
private slots:
    void closingTag_data();
    void closingTag();
    void scansOnlyBeforeTheGivenPosition();
};

void tst_CloseTagScanner::closingTag_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("inserted");
    QTest::newRow("closed elements inside") << "<p><br/><b>x</b> y"
                                            << "</p>";
    QTest::newRow("self-closing image alone") << "<img src=\"a.jpg\" />"
                                              << "";
    QTest::newRow("open link") << "<a href=\"http://example.com/\">some text"
                               << "</a>";
    QTest::newRow("closed element alone") << "<b>x</b>"
                                          << "";
    QTest::newRow("nothing") << "plain text"
                             << "";
    QTest::newRow("innermost first") << "<div><p>one<em>two"
                                     << "</em>";
    QTest::newRow("after nested closes") << "<div><p>one<em>two</em></p>"
                                         << "</div>";
    QTest::newRow("empty brackets") << "<p>a<>b"
                                    << "</p>";
    QTest::newRow("'<' without '>'") << "<p>a < b"
                                     << "</p>";
    QTest::newRow("end tag with spaces") << "<li><b>x</ b >"
                                         << "</li>";
    QTest::newRow("name ends at a line feed") << "<span\nclass=\"a\">x"
                                              << "</span>";
    // Elements that never take an end tag are passed over.
    QTest::newRow("break") << "<p>x<br>"
                           << "</p>";
    QTest::newRow("image without slash") << "<p><img src=x>"
                                         << "</p>";
    QTest::newRow("rule") << "<div><hr>"
                          << "</div>";
    QTest::newRow("void element in capitals") << "<td>a<BR>"
                                              << "</td>";
    QTest::newRow("input and meta") << "<form><input name=q><meta charset=utf-8>"
                                    << "</form>";
    QTest::newRow("comment") << "<p><!-- note -->"
                             << "</p>";
    QTest::newRow("comment holding tags") << "<p><!-- <b> and > -->"
                                          << "</p>";
    QTest::newRow("doctype") << "<!DOCTYPE html>"
                             << "";
    QTest::newRow("processing instruction") << "<?xml version=\"1.0\"?><p>"
                                            << "</p>";
    // A ">" in text is no tag's end, and a "<" in text starts no tag.
    QTest::newRow("text '>' after an open element") << "<p>a > b"
                                                    << "</p>";
    QTest::newRow("arrow in text") << "<p>x -> y"
                                   << "</p>";
    QTest::newRow("quoted line after a break") << "<blockquote>&gt; q<br>> quoted"
                                               << "</blockquote>";
    QTest::newRow("'<' and '>' in text") << "<p>1 < 2 > 0"
                                         << "</p>";
    QTest::newRow("closed element holding '>'") << "<div><p>a > b</p>"
                                                << "</div>";
    QTest::newRow("'>' in an attribute value") << "<a title=\"x > y\"><b>t</b>"
                                               << "</a>";
    // Names compare without regard to case; the start tag's spelling is kept.
    QTest::newRow("closed in other case") << "<P>x</p>"
                                          << "";
    QTest::newRow("open in capitals") << "<B>x</b><I>y"
                                      << "</I>";
}

void tst_CloseTagScanner::closingTag()
{
    QFETCH(QString, text);
    QFETCH(QString, inserted);
    QCOMPARE(CloseTagScanner::closingTag(text, text.size()), inserted);
}

void tst_CloseTagScanner::scansOnlyBeforeTheGivenPosition()
{
    const QString text = QStringLiteral("<p>one<b>two</b>");
    QCOMPARE(CloseTagScanner::closingTag(text, 9), QStringLiteral("</b>"));
    QCOMPARE(CloseTagScanner::closingTag(text, 0), QString());
    QCOMPARE(CloseTagScanner::closingTag(text, 1000), QStringLiteral("</p>"));
}

QTEST_GUILESS_MAIN(tst_CloseTagScanner)
#include "tst_closetagscanner.moc"
