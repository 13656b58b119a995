#include "RichHtmlSerializer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

namespace {

// The snapshot the page sends for a content division holding `content` (JSON
// nodes separated by commas), with the selection given as JSON boundaries.
QByteArray snapshotJson(const QString& content, const QString& start = {}, const QString& end = {})
{
    const QString selection =
        start.isEmpty()
            ? QStringLiteral("null")
            : QStringLiteral("{\"start\":%1,\"end\":%2}").arg(start, end.isEmpty() ? start : end);
    return QStringLiteral(
               "{\"root\":[\"DIV\",[\"id\",\"plumetcontent\",\"contenteditable\",\"true\"]%1%2],"
               "\"selection\":%3}")
        .arg(content.isEmpty() ? QString() : QStringLiteral(","), content, selection)
        .toUtf8();
}

std::optional<RichHtmlSerializer::AttachmentText> draftAttachments(const QString& id)
{
    if (id == QLatin1String("KEY1") || id == QLatin1String("KEY2"))
        return RichHtmlSerializer::AttachmentText{id, false};
    if (id == QLatin1String("TEMP1"))
        return RichHtmlSerializer::AttachmentText{
            QStringLiteral("<img src=\"http://example.org/a.jpg\" alt=\"\" />"), true};
    return std::nullopt;
}

// Escaped as the engine's markup has it: "&" and the placeholder space
// always, "<" and ">" in texts, the double quote in attribute values.
QString engineEscaped(const QString& text, bool inAttribute)
{
    QString out;
    for (const QChar c : text) {
        if (c == u'&')
            out += QStringLiteral("&amp;");
        else if (c == QChar(0xA0))
            out += QStringLiteral("&nbsp;");
        else if (!inAttribute && c == u'<')
            out += QStringLiteral("&lt;");
        else if (!inAttribute && c == u'>')
            out += QStringLiteral("&gt;");
        else if (inAttribute && c == u'"')
            out += QStringLiteral("&quot;");
        else
            out += c;
    }
    return out;
}

// The markup the engine writes for these nodes as a division's innerHTML:
// what the editor page sends.
QString engineMarkup(const std::vector<RichDomNode>& nodes, bool rawText = false)
{
    static const QStringList voidNames = {
        "area", "base",  "br",     "col",   "embed", "hr",       "img",     "input", "link",
        "meta", "param", "source", "track", "wbr",   "basefont", "bgsound", "frame", "keygen"};
    static const QStringList rawTextNames = {"script",  "style",    "xmp",      "iframe",
                                             "noembed", "noframes", "noscript", "plaintext"};
    QString out;
    for (const RichDomNode& node : nodes) {
        switch (node.kind) {
        case RichDomNode::Kind::Text:
            out += rawText ? node.text : engineEscaped(node.text, false);
            break;
        case RichDomNode::Kind::Comment:
            out += QStringLiteral("<!--") + node.text + QStringLiteral("-->");
            break;
        case RichDomNode::Kind::Element: {
            const QString name = node.name.toLower();
            out += u'<' + name;
            for (const auto& [attribute, value] : node.attributes)
                out += u' ' + attribute + QStringLiteral("=\"") + engineEscaped(value, true) + u'"';
            out += u'>';
            if (voidNames.contains(name))
                break;
            out += engineMarkup(node.children, rawTextNames.contains(name));
            out += QStringLiteral("</") + name + u'>';
            break;
        }
        }
    }
    return out;
}

// A selection as the page script answers it: {"start": [...], "end": [...]}.
QVariant pageSelection(const QString& start, const QString& end)
{
    if (start.isEmpty())
        return {};
    const auto boundary = [](const QString& json) {
        return QJsonDocument::fromJson(json.toUtf8()).array().toVariantList();
    };
    return QVariantMap{{QStringLiteral("start"), boundary(start)},
                       {QStringLiteral("end"), boundary(end.isEmpty() ? start : end)}};
}

// The snapshot as the editor reads the page's answer: the markup of the
// content division, with the selection.
std::optional<RichDomSnapshot> pageSnapshot(const QString& markup, const QVariant& selection = {})
{
    return RichDomSnapshot::fromPageValue(
        {{QStringLiteral("html"), markup}, {QStringLiteral("selection"), selection}});
}

} // namespace

class tst_RichHtmlSerializer : public QObject {
    Q_OBJECT
private slots:
    void serializes_data();
    void serializes();
    void mapsTheSelection_data();
    void mapsTheSelection();
    void mapsTheSelectionInTheEnginesMarkup_data();
    void mapsTheSelectionInTheEnginesMarkup();
    void keepsThePostsOwnNonBreakingSpaces_data();
    void keepsThePostsOwnNonBreakingSpaces();
    void removeNonConsecutiveNoBRSpaces_data();
    void removeNonConsecutiveNoBRSpaces();
    void refusesMalformedSnapshots_data();
    void refusesMalformedSnapshots();
};

void tst_RichHtmlSerializer::serializes_data()
{
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("html");
    QTest::addColumn<QStringList>("temporaryKeys");

    QTest::newRow("only the empty paragraph") << R"j(["P",[],["BR",[]]])j"
                                              << "" << QStringList();
    QTest::newRow("only the placeholder paragraph") << "[\"P\",[],\"\u00a0\"]"
                                                    << "" << QStringList();
    QTest::newRow("paragraphs") << R"j(["P",[],"one"],"\n",["P",[],"two"])j"
                                << "<p>one</p>\n<p>two</p>" << QStringList();
    QTest::newRow("empty paragraphs removed")
        << R"j(["P",[],"a"],["P",[]],["P",[]," "],["P",[],["BR",[]]],["P",[],"b"])j"
        << "<p>a</p><p>b</p>" << QStringList();
    QTest::newRow("white space at the ends") << R"j("\n  ",["P",[],"a"],"\n")j"
                                             << "<p>a</p>" << QStringList();

    // Attachments are written as their keys, whatever the element holds.
    QTest::newRow("stored attachment image")
        << R"j(["P",[],"see ",["IMG",["src","file:///tmp/a.jpg","id","KEY1","style","float: left;"]],"."])j"
        << "<p>see KEY1.</p>" << QStringList();
    QTest::newRow("stored attachment link")
        << R"j(["A",["href","file:///tmp/b.pdf","ID","KEY2"],"b.pdf"])j"
        << "KEY2" << QStringList();
    QTest::newRow("temporary attachment")
        << R"j(["IMG",["id","TEMP1","src","http://example.org/a.jpg","onclick","handleClick(this);"]])j"
        << "<img src=\"http://example.org/a.jpg\" alt=\"\" />" << QStringList{"TEMP1"};
    QTest::newRow("id of no attachment") << R"j(["P",["id","intro"],"x"])j"
                                         << "<p id=\"intro\">x</p>" << QStringList();

    // Void elements lose the editor's id and handlers, nothing else.
    QTest::newRow("void element attributes")
        << R"j(["IMG",["id","u1","src","a.png","onclick","handleClick(this);","ondblclick","x","ondrag","y","onerror","alert(1)","ALT","A"]])j"
        << "<img src=\"a.png\" onerror=\"alert(1)\" alt=\"A\" />" << QStringList();
    QTest::newRow("void elements") << R"j(["P",[],"a",["BR",[]],"b"],["HR",[]])j"
                                   << "<p>a<br />b</p><hr />" << QStringList();
    QTest::newRow("resize handle") << R"j(["IMG",["id","handle_3","src","h.png"]],["P",[],"x"])j"
                                   << "<p>x</p>" << QStringList();
    QTest::newRow("skipped elements")
        << R"j(["META",["charset","utf-8"]],["TITLE",[],"t"],["HEAD",[],["TITLE",[],"u"]],["P",[],"x"])j"
        << "<p>x</p>" << QStringList();
    QTest::newRow("non-void handlers stay")
        << R"j(["P",["onclick","steal()","onmouseover","x()"],"x"])j"
        << "<p onclick=\"steal()\" onmouseover=\"x()\">x</p>" << QStringList();

    QTest::newRow("engine classes")
        << R"j(["P",["class","Apple-style-span"],"a"],["P",["class","lead"],"b"],["SPAN",["class","webkit-x"],"c"],["SPAN",["class","KHTML"],"d"])j"
        << "<p>a</p><p class=\"lead\">b</p>cd" << QStringList();
    QTest::newRow("spans")
        << R"j(["SPAN",["style","font-weight: bold;"],"b"],["SPAN",["style","font-style: italic;"],"i"],["SPAN",[],"plain"],["SPAN",["style",""],"empty"],["SPAN",["style","color: red;"],["BR",[]]],["SPAN",["style","color: red;"],"red"])j"
        << "<strong>b</strong><em>i</em>plainempty<br /><span style=\"color: red;\">red</span>"
        << QStringList();
    QTest::newRow("Chromium bold and italic")
        << R"j(["B",[],"b"],["I",[],"i"],["SPAN",["style","font-weight: 700;"],"w"],["U",[],"u"],["B",["title","t"],"x"])j"
        << "<strong>b</strong><em>i</em><strong>w</strong><u>u</u><strong title=\"t\">x</strong>"
        << QStringList();
    QTest::newRow("attribute-less div unwrapped")
        << R"j(["DIV",[],"one"],["DIV",["class","x"],"two"])j"
        << "one<div class=\"x\">two</div>" << QStringList();
    // Enter makes paragraphs, which keep their lines apart; lists and line
    // breaks as Chromium writes them.
    QTest::newRow("Chromium paragraphs, lists and breaks")
        << R"j(["P",[],"line one"],["P",[],"line two",["BR",[]],"more"],["UL",[],["LI",[],"a"],["LI",[],["BR",[]]]],["OL",[],["LI",[],["B",[],"b"]]])j"
        << "<p>line one</p><p>line two<br />more</p><ul><li>a</li><li><br /></li></ul>"
           "<ol><li><strong>b</strong></li></ol>"
        << QStringList();
    QTest::newRow("Chromium alignment and quote")
        << R"j(["P",["style","text-align: center;"],"c"],["BLOCKQUOTE",[],["P",[],"q"]])j"
        << "<p style=\"text-align: center;\">c</p><blockquote><p>q</p></blockquote>"
        << QStringList();
    QTest::newRow("link") << R"j(["P",[],["A",["href","https://example.org/"],"a link"]])j"
                          << "<p><a href=\"https://example.org/\">a link</a></p>" << QStringList();

    QTest::newRow("first rgb colour only")
        << R"j(["P",["style","color: rgb(255, 0, 16); background-color: rgb(1, 2, 3);"],"x"])j"
        << "<p style=\"color: #FF0010; background-color: rgb(1, 2, 3);\">x</p>" << QStringList();
    QTest::newRow("style noise")
        << R"j(["P",["style","; font: normal normal normal 12px/normal Helvetica; margin: 0.0px 0.0px 0.0px 0.0px"],"x"])j"
        << "<p style=\"font: 12px Helvetica;\">x</p>" << QStringList();
    QTest::newRow("void element style untouched")
        << R"j(["IMG",["src","a","style","border: 1px solid rgb(1, 2, 3);"]])j"
        << "<img src=\"a\" style=\"border: 1px solid rgb(1, 2, 3);\" />" << QStringList();

    // Attribute values are escaped, so a quote cannot end the value.
    QTest::newRow("attribute values escaped")
        << R"j(["A",["href","/?a=1&b=2","title","say \"hi\" <now>"],"x"],["IMG",["src","a.png","alt","\"><script>alert(1)</script>"]])j"
        << "<a href=\"/?a=1&amp;b=2\" title=\"say &quot;hi&quot; &lt;now>\">x</a>"
           "<img src=\"a.png\" alt=\"&quot;>&lt;script>alert(1)&lt;/script>\" />"
        << QStringList();
    // Embed code stays as it was.
    QTest::newRow("scripts kept verbatim")
        << R"j(["SCRIPT",["src","https://embed.example.org/e.js","async",""]],["SCRIPT",[],"if (a < b && c > d) go(\"x's\");"])j"
        << "<script src=\"https://embed.example.org/e.js\" async=\"\"></script>"
           "<script>if (a < b && c > d) go(\"x's\");</script>"
        << QStringList();
    QTest::newRow("raw text of style and noscript")
        << R"j(["STYLE",[],"p > a { font-family: \"Gill Sans\"; }"],["NOSCRIPT",[],"<img src=\"x.gif\">"])j"
        << "<style>p > a { font-family: \"Gill Sans\"; }</style>"
           "<noscript><img src=\"x.gif\"></noscript>"
        << QStringList();
    // One rule for every text node: the apostrophe is never escaped.
    QTest::newRow("text escapes") << R"j(["P",[],"a < b & \"c\" > d's"])j"
                                  << "<p>a &lt; b &amp; &quot;c&quot; &gt; d's</p>"
                                  << QStringList();
    QTest::newRow("comment") << R"j(["#comment"," more "],["P",[],"x"])j"
                             << "<!-- more --><p>x</p>" << QStringList();
    QTest::newRow("placeholder spaces") << "[\"P\",[],\"a\u00a0b\u00a0\u00a0c\u00a0\"]"
                                        << "<p>a b\u00a0\u00a0c </p>" << QStringList();
    // Two placeholders meet across an unwrapped span: a run, kept.
    QTest::newRow("placeholder run across elements")
        << "[\"P\",[],[\"SPAN\",[],\"a\u00a0\"],\"\u00a0b\"]"
        << "<p>a\u00a0\u00a0b</p>" << QStringList();
    // The clean-ups are for the editor's own texts: embed code, comments and
    // attribute values keep what they hold.
    QTest::newRow("script holding an empty paragraph and a placeholder")
        << "[\"SCRIPT\",[],\"box.innerHTML = \\\"<p></p><p> </p>\\\"; gap = \\\"\u00a0\\\";\"]"
        << "<script>box.innerHTML = \"<p></p><p> </p>\"; gap = \"\u00a0\";</script>"
        << QStringList();
    QTest::newRow("attribute holding a placeholder")
        << "[\"P\",[\"title\",\"\u00a0\"],\"x\"],[\"IMG\",[\"src\",\"a.png\",\"alt\",\"a\u00a0b\"]]"
        << "<p title=\"\u00a0\">x</p><img src=\"a.png\" alt=\"a\u00a0b\" />" << QStringList();
    QTest::newRow("comment holding an empty paragraph") << R"j(["#comment","<p></p>"])j"
                                                        << "<!--<p></p>-->" << QStringList();
    // Empty paragraphs by what they hold once written.
    QTest::newRow("empty paragraph of the engine's class")
        << R"j(["P",["class","Apple-style-span"]],["P",["class","lead"]],["P",[],"x"])j"
        << "<p class=\"lead\"></p><p>x</p>" << QStringList();
    QTest::newRow("empty paragraph with a coloured break")
        << R"j(["P",[],["SPAN",["style","color: red;"],["BR",[]]]],["P",[],"\u00a0"],["P",[],"x"])j"
        << "<p>x</p>" << QStringList();
}

void tst_RichHtmlSerializer::serializes()
{
    QFETCH(QString, content);
    QFETCH(QString, html);
    QFETCH(QStringList, temporaryKeys);
    QString error;
    const auto snapshot = RichDomSnapshot::fromJson(snapshotJson(content), &error);
    QVERIFY2(snapshot, qPrintable(error));
    const RichHtmlSerializer::Result result =
        RichHtmlSerializer(draftAttachments).serialize(*snapshot);
    QCOMPARE(result.html, html);
    QCOMPARE(result.temporaryKeys, temporaryKeys);
    QVERIFY(!result.selection.isFound());

    // The page sends the engine's markup of the same nodes, which the editor
    // reads back: the same post comes out.
    const QString markup = engineMarkup(snapshot->root.children);
    const auto fromPage = pageSnapshot(markup);
    QVERIFY(fromPage);
    const RichHtmlSerializer::Result read =
        RichHtmlSerializer(draftAttachments).serialize(*fromPage);
    QCOMPARE(read.html, html);
    QCOMPARE(read.temporaryKeys, temporaryKeys);
}

void tst_RichHtmlSerializer::mapsTheSelection_data()
{
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<QString>("html");
    QTest::addColumn<qsizetype>("location");
    QTest::addColumn<qsizetype>("length");

    const qsizetype none = SelectedTextRange::NotFound;
    // The caret's place does not change what is written.
    QTest::newRow("caret after an entity")
        << R"j(["P",[],"it's"],["P",[],"a<b"])j"
        << "[1,0,2]"
        << ""
        << "<p>it's</p><p>a&lt;b</p>" << qsizetype(19) << qsizetype(0);
    QTest::newRow("caret beside an apostrophe")
        << R"j(["P",[],"it's"],["P",[],"a<b"])j"
        << "[0,0,3]"
        << ""
        << "<p>it's</p><p>a&lt;b</p>" << qsizetype(6) << qsizetype(0);
    QTest::newRow("range over escapes")
        << R"j(["P",[],"x \"y\" z"])j"
        << "[0,0,2]"
        << "[0,0,5]"
        << "<p>x &quot;y&quot; z</p>" << qsizetype(5) << qsizetype(13);
    QTest::newRow("between paragraphs") << R"j(["P",[],"one"],["P",[],"two"])j"
                                        << "[1]"
                                        << "[2]"
                                        << "<p>one</p><p>two</p>" << qsizetype(10) << qsizetype(10);
    QTest::newRow("whole content")
        << R"j(["P",[],"one"],["P",[],["B",[],"two"]])j"
        << "[0,0,0]"
        << "[1,0,0,3]"
        << "<p>one</p><p><strong>two</strong></p>" << qsizetype(0) << qsizetype(37);
    QTest::newRow("after a removed empty paragraph") << R"j(["P",[]],["P",[],"ab"])j"
                                                     << "[1,0,1]"
                                                     << ""
                                                     << "<p>ab</p>" << qsizetype(4) << qsizetype(0);
    QTest::newRow("in a removed empty paragraph")
        << R"j(["P",[],"ab"],["P",[],["BR",[]]],["P",[],"cd"])j"
        << "[1,0]"
        << "[2,0,1]"
        << "<p>ab</p><p>cd</p>" << qsizetype(9) << qsizetype(4);
    QTest::newRow("after trimmed white space") << R"j("\n",["P",[],"ab"])j"
                                               << "[1,0,2]"
                                               << ""
                                               << "<p>ab</p>" << qsizetype(5) << qsizetype(0);
    QTest::newRow("on an attachment") << R"j(["P",[],"a",["IMG",["id","KEY1","src","x"]],"b"])j"
                                      << "[0,1]"
                                      << "[0,2]"
                                      << "<p>aKEY1b</p>" << qsizetype(4) << qsizetype(4);
    QTest::newRow("in an element never written") << R"j(["TITLE",[],"t"],["P",[],"x"])j"
                                                 << "[0,0,0]"
                                                 << ""
                                                 << "<p>x</p>" << none << qsizetype(0);
    QTest::newRow("no selection") << R"j(["P",[],"x"])j"
                                  << ""
                                  << ""
                                  << "<p>x</p>" << none << qsizetype(0);
}

void tst_RichHtmlSerializer::mapsTheSelection()
{
    QFETCH(QString, content);
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(QString, html);
    QFETCH(qsizetype, location);
    QFETCH(qsizetype, length);
    const auto snapshot = RichDomSnapshot::fromJson(snapshotJson(content, start, end));
    QVERIFY(snapshot);
    const RichHtmlSerializer::Result result =
        RichHtmlSerializer(draftAttachments).serialize(*snapshot);
    QCOMPARE(result.html, html);
    QCOMPARE(result.selection.location, location);
    QCOMPARE(result.selection.length, length);

    // The same nodes and boundaries as the page sends them.
    const auto fromPage =
        pageSnapshot(engineMarkup(snapshot->root.children), pageSelection(start, end));
    QVERIFY(fromPage);
    const RichHtmlSerializer::Result read =
        RichHtmlSerializer(draftAttachments).serialize(*fromPage);
    QCOMPARE(read.html, html);
    QCOMPARE(read.selection, result.selection);
}

void tst_RichHtmlSerializer::mapsTheSelectionInTheEnginesMarkup_data()
{
    QTest::addColumn<QString>("markup");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<QString>("html");
    QTest::addColumn<qsizetype>("location");
    QTest::addColumn<qsizetype>("length");

    // The page counts neighbouring texts as one, as the markup reads back,
    // and offsets in characters of the text, not of its markup.
    QTest::newRow("texts the editor split")
        << "<p>a &amp; <b>b</b> one two</p>"
        << "[0,0,2]"
        << "[0,2,6]"
        << "<p>a &amp; <strong>b</strong> one two</p>" << qsizetype(5) << qsizetype(30);
    QTest::newRow("after a comment and a placeholder")
        << "<!-- c --><p>x&nbsp;y</p>"
        << "[1,0,2]"
        << "[1,0,3]"
        << "<!-- c --><p>x y</p>" << qsizetype(15) << qsizetype(1);
    QTest::newRow("past the last item")
        << "<ul><li>a</li><li>b</li></ul>"
        << "[0,2]"
        << ""
        << "<ul><li>a</li><li>b</li></ul>" << qsizetype(24) << qsizetype(0);
    QTest::newRow("in a removed empty paragraph")
        << "<p>ab</p><p><br></p><p>cd</p>"
        << "[1,0]"
        << "[2,0,1]"
        << "<p>ab</p><p>cd</p>" << qsizetype(9) << qsizetype(4);
    QTest::newRow("after a script")
        << "<script>if (a < b) go();</script><p>x</p>"
        << "[1,0,1]"
        << ""
        << "<script>if (a < b) go();</script><p>x</p>" << qsizetype(37) << qsizetype(0);
    QTest::newRow("whole content over entities")
        << "<p>&lt;one&gt;</p><p><b>two</b></p>"
        << "[0,0,0]"
        << "[1,0,0,3]"
        << "<p>&lt;one&gt;</p><p><strong>two</strong></p>" << qsizetype(0) << qsizetype(45);
}

void tst_RichHtmlSerializer::mapsTheSelectionInTheEnginesMarkup()
{
    QFETCH(QString, markup);
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(QString, html);
    QFETCH(qsizetype, location);
    QFETCH(qsizetype, length);
    const auto snapshot = pageSnapshot(markup, pageSelection(start, end));
    QVERIFY(snapshot);
    const RichHtmlSerializer::Result result = RichHtmlSerializer().serialize(*snapshot);
    QCOMPARE(result.html, html);
    QCOMPARE(result.selection.location, location);
    QCOMPARE(result.selection.length, length);
}

void tst_RichHtmlSerializer::keepsThePostsOwnNonBreakingSpaces_data()
{
    // The engine's markup, the post's own spaces the page names (text
    // boundaries), the selection's start ("" for none), and the post.
    QTest::addColumn<QString>("markup");
    QTest::addColumn<QVariantList>("authorSpaces");
    QTest::addColumn<QString>("selectionStart");
    QTest::addColumn<QString>("html");
    QTest::addColumn<qsizetype>("location");
    const auto at = [](std::initializer_list<int> place) {
        QVariantList list;
        for (const int i : place)
            list.append(i);
        return QVariant(list);
    };
    QTest::newRow("the post's own beside the editor's")
        << "<p>a&nbsp;b c&nbsp;</p>" << QVariantList{at({0, 0, 1})} << QString()
        << "<p>a&nbsp;b c </p>" << SelectedTextRange::NotFound;
    QTest::newRow("none named: the editor's rule")
        << "<p>a&nbsp;b</p>" << QVariantList() << QString() << "<p>a b</p>"
        << SelectedTextRange::NotFound;
    QTest::newRow("in a nested text, two of them")
        << "<ul><li><em>x&nbsp;y</em>&nbsp;z</li></ul>"
        << QVariantList{at({0, 0, 0, 0, 1}), at({0, 0, 1, 0})} << QString()
        << "<ul><li><em>x&nbsp;y</em>&nbsp;z</li></ul>" << SelectedTextRange::NotFound;
    QTest::newRow("a caret in the text before it")
        << "<p>ab&nbsp;c</p>" << QVariantList{at({0, 0, 2})} << "[0,0,1]"
        << "<p>ab&nbsp;c</p>" << qsizetype(4);
    QTest::newRow("a caret after it")
        << "<p>ab&nbsp;c&nbsp;</p>" << QVariantList{at({0, 0, 2})} << "[0,0,4]"
        << "<p>ab&nbsp;c </p>" << qsizetype(12);
    // A place the page got wrong never turns other characters into spaces.
    QTest::newRow("a place on a letter, past the end, on an element")
        << "<p>ab&nbsp;</p>" << QVariantList{at({0, 0, 0}), at({0, 0, 9}), at({0, 0})}
        << QString() << "<p>ab </p>" << SelectedTextRange::NotFound;
}

void tst_RichHtmlSerializer::keepsThePostsOwnNonBreakingSpaces()
{
    QFETCH(QString, markup);
    QFETCH(QVariantList, authorSpaces);
    QFETCH(QString, selectionStart);
    QFETCH(QString, html);
    QFETCH(qsizetype, location);
    QVariantMap value{{QStringLiteral("html"), markup},
                      {QStringLiteral("authorSpaces"), authorSpaces}};
    if (!selectionStart.isEmpty()) {
        const QVariant start = QJsonDocument::fromJson(selectionStart.toUtf8()).toVariant();
        value.insert(QStringLiteral("selection"),
                     QVariantMap{{QStringLiteral("start"), start}, {QStringLiteral("end"), start}});
    }
    const auto snapshot = RichDomSnapshot::fromPageValue(value);
    QVERIFY(snapshot);
    const RichHtmlSerializer::Result result = RichHtmlSerializer().serialize(*snapshot);
    QCOMPARE(result.html, html);
    QCOMPARE(result.selection.location, location);

    // Sent unasked, the snapshot is JSON text: the same.
    const auto fromJson =
        RichDomSnapshot::fromJson(QJsonDocument::fromVariant(value).toJson(QJsonDocument::Compact));
    QVERIFY(fromJson);
    QCOMPARE(RichHtmlSerializer().serialize(*fromJson).html, html);
}

void tst_RichHtmlSerializer::removeNonConsecutiveNoBRSpaces_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("between words") << "a\u00a0b"
                                   << "a b";
    QTest::newRow("two in a row stay") << "a\u00a0\u00a0b"
                                       << "a\u00a0\u00a0b";
    QTest::newRow("first and last") << "\u00a0a\u00a0"
                                    << " a ";
    QTest::newRow("alone") << "\u00a0"
                           << " ";
    QTest::newRow("run at the end") << "a\u00a0\u00a0"
                                    << "a\u00a0\u00a0";
}

void tst_RichHtmlSerializer::removeNonConsecutiveNoBRSpaces()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(RichHtmlSerializer::removeNonConsecutiveNoBRSpaces(text), expected);
}

void tst_RichHtmlSerializer::refusesMalformedSnapshots_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::newRow("not JSON") << QByteArray("{\"root\": [");
    QTest::newRow("no root") << QByteArray("{\"selection\": null}");
    QTest::newRow("text root") << QByteArray("{\"root\": \"x\"}");
    QTest::newRow("odd attributes") << QByteArray("{\"root\": [\"DIV\", [\"id\"]]}");
    QTest::newRow("number node") << QByteArray("{\"root\": [\"DIV\", [], 3]}");
    QByteArray deep;
    for (int i = 0; i < 2000; ++i)
        deep += "[\"B\",[],";
    deep += "\"x\"";
    for (int i = 0; i < 2000; ++i)
        deep += "]";
    QTest::newRow("nested too deeply") << QByteArray("{\"root\": " + deep + "}");
}

void tst_RichHtmlSerializer::refusesMalformedSnapshots()
{
    QFETCH(QByteArray, json);
    QString error;
    QVERIFY(!RichDomSnapshot::fromJson(json, &error));
    QVERIFY(!error.isEmpty());
}

QTEST_APPLESS_MAIN(tst_RichHtmlSerializer)
#include "tst_richhtmlserializer.moc"
