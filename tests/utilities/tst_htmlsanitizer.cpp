#include "HtmlSanitizer.h"
#include "ThreadCpuTimer.h"

#include <QFile>
#include <QTest>

class tst_HtmlSanitizer : public QObject {
    Q_OBJECT
private slots:
    void clipboardHtml_data();
    void clipboardHtml();
    void theRulesAreTheDataFile();
    void rulesThatDoNotReadKeepOnlyText();
    void hostileInputsStayLinear_data();
    void hostileInputsStayLinear();
};

void tst_HtmlSanitizer::clipboardHtml_data()
{
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("kept");

    // As the browsers put a copied selection on the clipboard.
    QTest::newRow("chromium: the fragment between its marks")
        << "<html><body>\n<!--StartFragment--><b style=\"font-weight: 700; color: rgb(0, 0, "
           "0);\">x</b><!--EndFragment-->\n</body></html>"
        << "<b>x</b>";
    QTest::newRow("chromium with a charset first, context outside the marks")
        << "<meta charset='utf-8'><html><body><p style=\"margin:0\">before<!--StartFragment-->"
           "<a href=\"https://example.com/a?b=1&amp;c=2\" style=\"color:blue\" "
           "onclick=\"steal()\">link</a> <i>it</i><!--EndFragment-->after</p></body></html>"
        << "<a href=\"https://example.com/a?b=1&amp;c=2\">link</a> <i>it</i>";
    QTest::newRow("firefox: a content-type meta, then the markup")
        << "<meta http-equiv=\"content-type\" content=\"text/html; charset=utf-8\"><b>x</b>"
        << "<b>x</b>";
    QTest::newRow("firefox: lists and tables keep their shape")
        << "<meta http-equiv=\"content-type\" content=\"text/html; charset=utf-8\"><ul "
           "class=\"nav\"><li>one</li><li>two</li></ul><ol start=\"3\"><li>three</li></ol>"
           "<table class=\"t\"><tbody><tr><th scope=\"row\">h</th><td colspan=\"2\" "
           "bgcolor=\"red\">cell</td></tr></tbody></table>"
        << "<ul><li>one</li><li>two</li></ul><ol start=\"3\"><li>three</li></ol><table><tbody>"
           "<tr><th scope=\"row\">h</th><td colspan=\"2\">cell</td></tr></tbody></table>";
    QTest::newRow("start mark without an end mark")
        << "<html><body><!--StartFragment--><i>x</i></body></html>"
        << "<i>x</i>";

    // What may run or load on its own goes; its neighbours stay.
    QTest::newRow("an image whose error runs script") << "<p>a<img src=x onerror=alert(1)>b</p>"
                                                      << "<p>ab</p>";
    QTest::newRow("web and inline images stay, without their handlers")
        << "<img src=\"https://e.example/i.png\" alt=\"A\" onload=\"x()\" srcset=\"evil 2x\">"
           "<img src=\"data:image/png;base64,AAAA\"><img src=\"data:text/html,<script>\">"
        << "<img src=\"https://e.example/i.png\" alt=\"A\"><img "
           "src=\"data:image/png;base64,AAAA\">";
    QTest::newRow("scripts, styles, frames and plug-ins with their content")
        << "<p>a<script>alert(\"</p>\")</script>b<style>p{color:red}</style>c<iframe "
           "src=\"https://e.example/\"><b>in</b></iframe>d<object data=\"x\"><param name=a "
           "value=b>fallback<object></object>more</object>e<embed src=\"x.swf\">f<noscript><b>n</b>"
           "</noscript>g</p>"
        << "<p>abcdefg</p>";
    QTest::newRow("svg and its script")
        << "<svg><script>alert(1)</script><foreignObject><img "
           "src=\"https://e.example/x\"></foreignObject></svg>after<svg/>end"
        << "afterend";
    QTest::newRow("the clipboard's comments and office's conditional ones")
        << "<!--StartFragment--><p>a<!-- hidden <b>x</b> --><!--[if gte mso 9]><xml></xml>"
           "<![endif]-->b<!-->c<!--->d</p><!--EndFragment-->"
        << "<p>abcd</p>";
    QTest::newRow("forms, bases and frames of links go")
        << "<base href=\"https://evil.example/\"><form action=\"https://evil.example/\"><input "
           "value=\"v\"><button formaction=\"javascript:alert(1)\">B</button></form>"
        << "B";
    QTest::newRow("title and text areas go with their text")
        << "<title>t</title><textarea><b>x</b></textarea>kept"
        << "kept";

    // Addresses: only the web and mail ones, however they are written.
    QTest::newRow("javascript address") << "<a href=\"javascript:alert(1)\">a</a>"
                                        << "<a>a</a>";
    QTest::newRow("javascript in any case, after spaces")
        << "<a href=\" \x01JaVaScRiPt:alert(1)\">a</a>"
        << "<a>a</a>";
    QTest::newRow("javascript with a tab and a line break inside")
        << "<a href=\"jav&#x09;ascr\nipt:alert(1)\">a</a>"
        << "<a>a</a>";
    QTest::newRow("javascript behind character references")
        << "<a href=\"&#106;&#97vascript&colon;alert(1)\">a</a><a href=\"&#x6A;avascript:x\">b</a>"
        << "<a>a</a><a>b</a>";
    QTest::newRow("vbscript and data addresses") << "<a href=\"vbscript:x\">a</a><a "
                                                    "href=\"data:text/html,x\">b</a>"
                                                 << "<a>a</a><a>b</a>";
    QTest::newRow("mail and in-page addresses stay")
        << "<a href=\"mailto:me@example.com\">me</a><a href=\"#top\" name=\"n\">top</a>"
        << "<a href=\"mailto:me@example.com\">me</a><a href=\"#top\" name=\"n\">top</a>";
    QTest::newRow("relative addresses go")
        << "<a href=\"/x\">a</a><a href=\"//evil.example/\">b</a>"
        << "<a>a</a><a>b</a>";
    QTest::newRow("a reference without its semicolon stays as written")
        << "<a href=\"https://e.example/?a=1&copy=2&amp;b\">x</a>"
        << "<a href=\"https://e.example/?a=1&amp;copy=2&amp;b\">x</a>";
    QTest::newRow("quotes in values are escaped")
        << "<a href='https://e.example/\"x\"' title='say \"hi\" <now>'>q</a>"
        << "<a href=\"https://e.example/&quot;x&quot;\" title=\"say &quot;hi&quot; "
           "&lt;now&gt;\">q</a>";
    QTest::newRow("the first of two same attributes counts")
        << "<a href=\"javascript:x\" href=\"https://e.example/\">a</a>"
        << "<a>a</a>";

    // The output is always well formed.
    QTest::newRow("unknown elements lose their tags only")
        << "<span style=\"color:red\"><font color=red>red</font></span>"
        << "red";
    QTest::newRow("tag names in any case") << "<B ONCLICK=x>X</B>"
                                           << "<b>X</b>";
    QTest::newRow("a stray less-than becomes text") << "a < b <3 & c"
                                                    << "a &lt; b &lt;3 & c";
    QTest::newRow("open elements are closed") << "<b><i>x"
                                              << "<b><i>x</i></b>";
    QTest::newRow("stray and crossed end tags") << "</p>x</b><b><i>y</b>z</i>"
                                                << "x<b><i>y</i></b>z";
    QTest::newRow("paragraphs and items end where a browser ends them")
        << "<p>one<p>two<ul><li>a<li>b</ul>"
        << "<p>one</p><p>two</p><ul><li>a</li><li>b</li></ul>";
    QTest::newRow("a tag the input ends inside is dropped") << "ok<a href=\"https://e"
                                                            << "ok";
}

void tst_HtmlSanitizer::clipboardHtml()
{
    QFETCH(QString, clipboard);
    QFETCH(QString, kept);
    QCOMPARE(HtmlSanitizer::sharedInstance().sanitizeClipboard(clipboard), kept);
}

void tst_HtmlSanitizer::theRulesAreTheDataFile()
{
    const HtmlSanitizer& shared = HtmlSanitizer::sharedInstance();
    QVERIFY(shared.isValid());
    QFile file(QString::fromLatin1(HtmlSanitizer::rulesPath));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const HtmlSanitizer fromFile(file.readAll());
    const QString sample = QStringLiteral("<p onclick=x>a<b style=s>b</b><script>c</script></p>");
    QCOMPARE(fromFile.sanitize(sample), shared.sanitize(sample));
    QCOMPARE(shared.sanitize(sample), QStringLiteral("<p>a<b>b</b></p>"));
    // Other rules, other results: nothing of them lives in the code.
    const HtmlSanitizer onlyItalics(R"({"elements": {"i": ["title"]},
                                        "removeWithContent": ["u"],
                                        "addresses": {"title": ["ok"]}})");
    QVERIFY(onlyItalics.isValid());
    QCOMPARE(onlyItalics.sanitize(u"<b>b</b><i title=\"ok now\" lang=en>i</i><u>u</u><i "
                                  u"title=\"no\">j</i><script>s</script>"),
             QStringLiteral("b<i title=\"ok now\">i</i><i>j</i>s"));
}

void tst_HtmlSanitizer::rulesThatDoNotReadKeepOnlyText()
{
    const HtmlSanitizer broken("{ not json");
    QVERIFY(!broken.isValid());
    QCOMPARE(broken.sanitize(u"<b>x</b><img src=\"https://e.example/\"><script>y<b></script>"),
             QStringLiteral("xy&lt;b&gt;"));
}

void tst_HtmlSanitizer::hostileInputsStayLinear_data()
{
    QTest::addColumn<QString>("html");
    const int n = 1'000'000;
    QTest::newRow("nested kept elements") << QStringLiteral("<b>").repeated(n);
    QTest::newRow("end tags against a deep stack")
        << QStringLiteral("<i>").repeated(300) + QStringLiteral("</x>").repeated(n);
    QTest::newRow("nested removed elements") << QStringLiteral("<object>").repeated(n);
    QTest::newRow("comment openings") << QStringLiteral("<!--").repeated(n);
    QTest::newRow("dashes in a comment") << QStringLiteral("<!--") + QString(4 * n, u'-');
    QTest::newRow("end-tag openings in a script")
        << QStringLiteral("<script>") + QStringLiteral("</").repeated(2 * n);
    QTest::newRow("attributes") << QStringLiteral("<a") + QStringLiteral(" href=x").repeated(n);
    QTest::newRow("an open quote") << QStringLiteral("<a href=\"") + QString(4 * n, u'x');
    QTest::newRow("references in a value")
        << QStringLiteral("<a title=\"") + QStringLiteral("&#").repeated(2 * n) + u'"';
    QTest::newRow("less-thans") << QStringLiteral("< ").repeated(2 * n);
}

// A clipboard of a few megabytes crafted against the reader costs a
// moment, never minutes.
void tst_HtmlSanitizer::hostileInputsStayLinear()
{
    QFETCH(QString, html);
    const HtmlSanitizer& sanitizer = HtmlSanitizer::sharedInstance();
    plumet::test::ThreadCpuTimer timer;
    const QString out = sanitizer.sanitize(html);
    QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(out.size() <= 3 * html.size());
}

QTEST_GUILESS_MAIN(tst_HtmlSanitizer)
#include "tst_htmlsanitizer.moc"
