#include "RichHtmlSerializer.h"
#include "RichMarkupReader.h"

#include <QTest>

namespace {

// The nodes as JSON-like text: "name[attr=value,...](children)", texts in
// quotes, comments as <!--x-->.
QString shape(const std::vector<RichDomNode>& nodes)
{
    QString out;
    for (const RichDomNode& node : nodes) {
        switch (node.kind) {
        case RichDomNode::Kind::Text:
            out += u'"' + node.text + u'"';
            break;
        case RichDomNode::Kind::Comment:
            out += QStringLiteral("<!--") + node.text + QStringLiteral("-->");
            break;
        case RichDomNode::Kind::Element: {
            out += node.name;
            QStringList attributes;
            for (const auto& [name, value] : node.attributes)
                attributes.append(name + u'=' + value);
            if (!attributes.isEmpty())
                out += u'[' + attributes.join(u',') + u']';
            out += u'(' + shape(node.children) + u')';
            break;
        }
        }
    }
    return out;
}

} // namespace

class tst_RichMarkupReader : public QObject {
    Q_OBJECT
private slots:
    void reads_data();
    void reads();
    void serializesWhatItRead();
};

void tst_RichMarkupReader::reads_data()
{
    QTest::addColumn<QString>("markup");
    QTest::addColumn<QString>("nodes");
    QTest::newRow("paragraphs") << "<p>one</p><p>two</p>"
                                << "p(\"one\")p(\"two\")";
    QTest::newRow("void elements") << "<p>a<br>b<img src=\"x.png\" alt=\"\"></p>"
                                   << "p(\"a\"br()\"b\"img[src=x.png,alt=]())";
    // The page's nesting is kept, even where a parser would move elements.
    QTest::newRow("list inside a paragraph") << "<p><ul><li>x</li></ul></p>"
                                             << "p(ul(li(\"x\")))";
    QTest::newRow("entities") << "<p title=\"a &amp; &quot;b&quot;\">&lt;a&gt; &amp;&nbsp;b</p>"
                              << "p[title=a & \"b\"](\"<a> &\u00a0b\")";
    QTest::newRow("raw text") << "<script>if (a < b) x = \"</p>\";</script><p>y</p>"
                              << "script(\"if (a < b) x = \"</p>\";\")p(\"y\")";
    QTest::newRow("comment") << "<!-- more --><p>x</p>"
                             << "<!-- more -->p(\"x\")";
    QTest::newRow("attribute without value") << "<script async=\"\" src=\"e.js\"></script>"
                                             << "script[async=,src=e.js]()";
    QTest::newRow("unclosed at the end") << "<p>a<b>b"
                                         << "p(\"a\"b(\"b\"))";
    QTest::newRow("stray end tag") << "a</b>c"
                                   << "\"ac\"";
    QTest::newRow("lone less-than sign") << "a < b"
                                         << "\"a < b\"";
    QTest::newRow("unknown reference") << "&copy; &#233; &#x41;"
                                       << "\"&copy; \u00e9 A\"";
}

void tst_RichMarkupReader::reads()
{
    QFETCH(QString, markup);
    QFETCH(QString, nodes);
    QCOMPARE(shape(RichMarkupReader::read(markup)), nodes);
}

void tst_RichMarkupReader::serializesWhatItRead()
{
    // The engine's markup of a post, as the editor serializes it.
    RichDomSnapshot snapshot;
    snapshot.root.kind = RichDomNode::Kind::Element;
    snapshot.root.name = QStringLiteral("div");
    snapshot.markup = QStringLiteral(
        "<p>it's <b>bold</b> &amp; <i>it</i><br></p><p><br></p>"
        "<p style=\"color: rgb(255, 0, 16);\">c</p><img src=\"a.png\" id=\"x\" alt=\"&quot;\">");
    snapshot.root.children = RichMarkupReader::read(snapshot.markup);
    QCOMPARE(
        RichHtmlSerializer().serialize(snapshot).html,
        QStringLiteral("<p>it's <strong>bold</strong> &amp; <em>it</em><br /></p>"
                       "<p style=\"color: #FF0010;\">c</p><img src=\"a.png\" alt=\"&quot;\" />"));
}

QTEST_APPLESS_MAIN(tst_RichMarkupReader)
#include "tst_richmarkupreader.moc"
