#include "RichBlockMap.h"
#include "RichHtmlSerializer.h"
#include "RichMarkupReader.h"

#include <QTest>

namespace {

// The pieces of `source` as their texts.
QStringList pieces(const QString& source)
{
    QStringList texts;
    qsizetype at = 0;
    for (const qsizetype length : RichBlockMap::pieceLengths(source)) {
        texts.append(source.mid(at, length));
        at += length;
    }
    return texts;
}

// A map as the page reports it when each piece gave the nodes of `markup`
// (the engine's markup of the whole), node n coming from piece `from[n]`.
std::optional<RichBlockMap> mapFor(const QString& source, const QString& markup,
                                   const QList<int>& from)
{
    QList<int> nodePieces;
    for (const int piece : from)
        nodePieces << piece << piece;
    return RichBlockMap::make(source, RichBlockMap::pieceLengths(source), nodePieces,
                              RichMarkupReader::read(markup), markup);
}

QString spliced(const RichBlockMap& map, const QString& markupNow)
{
    RichDomSnapshot snapshot;
    snapshot.markup = markupNow;
    snapshot.root.kind = RichDomNode::Kind::Element;
    snapshot.root.name = QStringLiteral("DIV");
    snapshot.root.children = RichMarkupReader::read(snapshot.markup);
    return RichBlockMap::join(map.splice(snapshot.root.children, [&](size_t first, size_t count) {
        return RichHtmlSerializer().serialize(snapshot, first, count).html;
    }));
}

} // namespace

// Untouched blocks of a post keep their bytes; what changed is written anew.
class tst_RichBlockMap : public QObject {
    Q_OBJECT
private slots:
    void cutsAtTopLevelNodes_data();
    void cutsAtTopLevelNodes();
    void keepsTheBytesOfUntouchedBlocks();
    void piecesSharingANodeMakeOneBlock();
    void refusesAReportThatDoesNotFit();
};

void tst_RichBlockMap::cutsAtTopLevelNodes_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QStringList>("pieces");
    QTest::newRow("blocks and blank lines")
        << "<p>One</p>\n\n<P CLASS='x'>Two<br></P>"
        << QStringList{"<p>One</p>", "\n\n", "<P CLASS='x'>Two<br></P>"};
    QTest::newRow("nested lists") << "<ul><li>a<ul><li>b</li></ul></li></ul><p>c</p>"
                                  << QStringList{"<ul><li>a<ul><li>b</li></ul></li></ul>",
                                                 "<p>c</p>"};
    QTest::newRow("comments, block-editor ones, a more tag")
        << "<!-- wp:paragraph --><p>a</p><!-- /wp:paragraph --><!--more-->"
        << QStringList{"<!-- wp:paragraph -->", "<p>a</p>", "<!-- /wp:paragraph -->",
                       "<!--more-->"};
    QTest::newRow("a script whose text looks like tags")
        << "<div><script>if (a </div> b) x = '</p>';</script></div>x"
        << QStringList{"<div><script>if (a </div> b) x = '</p>';</script></div>", "x"};
    QTest::newRow("a quoted > in an attribute")
        << "<p title=\"a > b\">t</p><br/>" << QStringList{"<p title=\"a > b\">t</p>", "<br/>"};
    QTest::newRow("an unclosed paragraph before a block")
        << "<p>a<div>b</div>" << QStringList{"<p>a", "<div>b</div>"};
    QTest::newRow("pre with a leading newline") << "<pre>\n\nx\n</pre>\n"
                                                << QStringList{"<pre>\n\nx\n</pre>", "\n"};
    QTest::newRow("a tag never closed") << "<p>a</p><p title=\"x>y"
                                        << QStringList{"<p>a</p>", "<p title=\"x>y"};
    QTest::newRow("text with a lone <") << "a < b<br>c" << QStringList{"a < b", "<br>", "c"};
}

void tst_RichBlockMap::cutsAtTopLevelNodes()
{
    QFETCH(QString, source);
    QFETCH(QStringList, pieces);
    QCOMPARE(::pieces(source), pieces);
}

void tst_RichBlockMap::keepsTheBytesOfUntouchedBlocks()
{
    // As the server sent it: single quotes, upper case, entities, blank lines.
    const QString source = QStringLiteral(
        "<P class='a'>One&nbsp;&amp; two</P>\n\n<p>Second <BR>line</p>\n<table><tr><td>x</td>"
        "</tr></table>");
    // The engine's markup of it, as the page loaded it.
    const QString loaded = QStringLiteral(
        "<p class=\"a\">One&nbsp;&amp; two</p>\n\n<p>Second <br>line</p>\n<table><tbody><tr>"
        "<td>x</td></tr></tbody></table>");
    const auto map = mapFor(source, loaded, {0, 1, 2, 3, 4});
    QVERIFY(map);
    QCOMPARE(map->blockCount(), 5);

    QCOMPARE(spliced(*map, loaded), source);
    // One paragraph edited: only its bytes change.
    QString edited = loaded;
    edited.replace(QStringLiteral("Second <br>line"), QStringLiteral("Second <br>line, edited"));
    QCOMPARE(spliced(*map, edited),
             QString(source).replace(QStringLiteral("<p>Second <BR>line</p>"),
                                     QStringLiteral("<p>Second <br />line, edited</p>")));
    // A new block between two old ones, and the last one gone.
    const QString inserted = QStringLiteral(
        "<p class=\"a\">One&nbsp;&amp; two</p><p><b>New</b></p>\n\n<p>Second <br>line</p>\n");
    QCOMPARE(spliced(*map, inserted),
             QStringLiteral("<P class='a'>One&nbsp;&amp; two</P><p><strong>New</strong></p>\n\n"
                            "<p>Second <BR>line</p>\n"));
    // Blocks that moved keep their bytes too.
    const QString swapped = QStringLiteral(
        "<p>Second <br>line</p>\n\n<p class=\"a\">One&nbsp;&amp; two</p>\n<table><tbody><tr>"
        "<td>x</td></tr></tbody></table>");
    const QString out = spliced(*map, swapped);
    QVERIFY2(out.contains(QStringLiteral("<P class='a'>One&nbsp;&amp; two</P>")), qPrintable(out));
    QVERIFY2(out.endsWith(QStringLiteral("<table><tr><td>x</td></tr></table>")), qPrintable(out));
}

void tst_RichBlockMap::piecesSharingANodeMakeOneBlock()
{
    // "<p>a" and "<div>" read as pieces, but the page put a stray piece's
    // nodes together: its report joins them.
    const QString source = QStringLiteral("<b>x</p>y</b><p>z</p>");
    const QList<qsizetype> lengths{8, 5, 8};
    const QString loaded = QStringLiteral("<b>x<p></p>y</b><p>z</p>");
    const auto map = RichBlockMap::make(source, lengths, {0, 1, 2, 2},
                                        RichMarkupReader::read(loaded), loaded);
    QVERIFY(map);
    QCOMPARE(map->blockCount(), 2);
    QCOMPARE(spliced(*map, loaded), source);
    QCOMPARE(spliced(*map, QStringLiteral("<b>x<p></p>y</b><p>z!</p>")),
             QStringLiteral("<b>x</p>y</b><p>z!</p>"));
}

void tst_RichBlockMap::refusesAReportThatDoesNotFit()
{
    const QString source = QStringLiteral("<p>a</p><p>b</p>");
    const QString loaded = QStringLiteral("<p>a</p><p>b</p>");
    const auto nodes = [&] { return RichMarkupReader::read(loaded); };
    // Lengths that are not the source's, a node count that is not the
    // page's, pieces out of range or out of order.
    QVERIFY(!RichBlockMap::make(source, {8, 7}, {0, 0, 1, 1}, nodes(), loaded));
    QVERIFY(!RichBlockMap::make(source, {8, 8}, {0, 0}, nodes(), loaded));
    QVERIFY(!RichBlockMap::make(source, {8, 8}, {0, 0, 2, 2}, nodes(), loaded));
    QVERIFY(!RichBlockMap::make(source, {8, 8}, {1, 1, 0, 0}, nodes(), loaded));
    QVERIFY(RichBlockMap::make(source, {8, 8}, {0, 0, 1, 1}, nodes(), loaded));
}

QTEST_GUILESS_MAIN(tst_RichBlockMap)
#include "tst_richblockmap.moc"
