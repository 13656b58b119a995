#include "HtmlCharacters.h"

#include <QTest>

// The references of post bodies for a blog that takes only ASCII: what goes
// out, what the way back decodes, and that the two meet.
class tst_HtmlCharacters : public QObject {
    Q_OBJECT
private slots:
    void wayOut_data();
    void wayOut();
    void wayBack_data();
    void wayBack();
};

void tst_HtmlCharacters::wayOut_data()
{
    QTest::addColumn<QString>("local");
    QTest::addColumn<QString>("sent");

    QTest::newRow("characters outside ASCII")
        << QString::fromUtf8("<p>Caf\u00e9 \u2713 \U0001F600\u00a0x</p>")
        << "<p>Caf&#233; &#10003; &#128512;&#160;x</p>";
    QTest::newRow("stray ampersands in text") << "<p>Tom & Jerry && co</p>"
                                              << "<p>Tom &#38; Jerry &#38;&#38; co</p>";
    QTest::newRow("references in text are kept") << "&amp; &lt;script&gt; &nbsp; &#233; &#x41;"
                                                 << "&amp; &lt;script&gt; &nbsp; &#233; &#x41;";
    QTest::newRow("a lone < is text") << "<p>a < b & c</p>"
                                      << "<p>a < b &#38; c</p>";
    QTest::newRow("script text as written")
        << QString::fromUtf8("<div><script>if (a && b) s = '&lt;\u00e9';</script> & </div>")
        << QString::fromUtf8("<div><script>if (a && b) s = '&lt;\u00e9';</script> &#38; </div>");
    QTest::newRow("script in capitals, closing tag with a space")
        << "<SCRIPT type=\"text/javascript\">a && b</SCRIPT >&"
        << "<SCRIPT type=\"text/javascript\">a && b</SCRIPT >&#38;";
    QTest::newRow("a script that never closes") << "<script>a && b"
                                                << "<script>a && b";
    QTest::newRow("style text as written")
        << QString::fromUtf8("<style>p::after { content: '\u00e9 & x'; }</style>")
        << QString::fromUtf8("<style>p::after { content: '\u00e9 & x'; }</style>");
    QTest::newRow("comment as written")
        << "<!-- wp:image {\"alt\":\"a&b\"} --><p>&</p><!-- /wp:image -->"
        << "<!-- wp:image {\"alt\":\"a&b\"} --><p>&#38;</p><!-- /wp:image -->";
    QTest::newRow("attribute values keep their escapes")
        << QString::fromUtf8(R"(<a href="/?a=1&b=2&amp;c=3" title='a &quot;b&quot; > &#39;c&#39; )"
                             "\u00e9'>x</a>")
        << R"(<a href="/?a=1&b=2&amp;c=3" title='a &quot;b&quot; > &#39;c&#39; &#233;'>x</a>)";
    QTest::newRow("plain ASCII untouched") << "<p class=\"x\">plain</p>"
                                           << "<p class=\"x\">plain</p>";
}

void tst_HtmlCharacters::wayOut()
{
    QFETCH(QString, local);
    QFETCH(QString, sent);
    QCOMPARE(rv::encodeCharactersInHTML(local), sent);
}

void tst_HtmlCharacters::wayBack_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("local");

    // What the way out wrote comes back as the characters.
    QTest::newRow("non-ASCII by number")
        << "<p>Caf&#233; &#10003; &#128512;&#160;</p>"
        << QString::fromUtf8("<p>Caf\u00e9 \u2713 \U0001F600\u00a0</p>");
    QTest::newRow("in an attribute value")
        << "<img alt=\"Caf&#233;\" src=\"/a.png\">"
        << QString::fromUtf8("<img alt=\"Caf\u00e9\" src=\"/a.png\">");
    // Everything else stays as the server holds it.
    QTest::newRow("escaped markup stays text") << "<p>&lt;script&gt;alert(1)&lt;/script&gt;</p>"
                                               << "<p>&lt;script&gt;alert(1)&lt;/script&gt;</p>";
    QTest::newRow("numeric forms of markup stay") << "&#60;b&#62; &#38; &#34; &#39; &amp; &quot;"
                                                  << "&#60;b&#62; &#38; &#34; &#39; &amp; &quot;";
    QTest::newRow("quotes in an attribute stay")
        << "<a title=\"a &quot;b&quot; &#34;c&#34;\">x</a>"
        << "<a title=\"a &quot;b&quot; &#34;c&#34;\">x</a>";
    QTest::newRow("named references stay") << "&eacute; &nbsp; &copy;"
                                           << "&eacute; &nbsp; &copy;";
    QTest::newRow("forms the way out never writes stay")
        << "&#xE9; &#0233; &#233 &#150; &#55296; &#1114112; &#99999999999;"
        << "&#xE9; &#0233; &#233 &#150; &#55296; &#1114112; &#99999999999;";
    QTest::newRow("script and comment text stay")
        << "<script>s = '&#233;';</script><!-- &#233; --><style>a{content:'&#233;'}</style>&#233;"
        << QString::fromUtf8("<script>s = '&#233;';</script><!-- &#233; "
                             "--><style>a{content:'&#233;'}</style>\u00e9");
}

void tst_HtmlCharacters::wayBack()
{
    QFETCH(QString, server);
    QFETCH(QString, local);
    QCOMPARE(rv::decodeCharactersInHTML(server), local);
}

QTEST_GUILESS_MAIN(tst_HtmlCharacters)
#include "tst_htmlcharacters.moc"
