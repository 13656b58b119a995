#include "EditorPageBuilder.h"
#include "StringExtensions.h"
#include "Template.h"

#include <QRegularExpression>
#include <QTest>

namespace {

const QStringList Placeholders{"$SCRIPT$", "$STYLE$", "$HANDLE$",     "$BGIMG$",    "$MAIN$",
                               "$FONT$",   "$ALIGN$", "$BACKGROUND$", "$TEXTCOLOR$"};

// A page and a sheet that show every value where a test can find it.
EditorPageBuilder::Resources showingResources()
{
    return {QStringLiteral("<head><meta name=s content=\"$STYLE$\"><meta name=m content=\"$MAIN$\">"
                           "$SCRIPT$</head><body data-a=\"$ALIGN$\"><div id=plumetcontent></div>"
                           "</body>"),
            QStringLiteral("body{font:$FONT$;text-align:$ALIGN$;background:$BACKGROUND$;"
                           "color:$TEXTCOLOR$}h{background:url($HANDLE$)}b{background:url($BGIMG$)}"
                           "\n")};
}

} // namespace

class tst_EditorPageBuilder : public QObject {
    Q_OBJECT
private slots:
    void fillsEveryPlaceholder();
    void substitutesInOnePass();
    void values_data();
    void values();
    void styleTextCannotBecomeMarkup();
    void postStaysText();
    void mainContent_data();
    void mainContent();
    void missingTemplates();
    void bundledTemplatesHoldThePlaceholders();
};

void tst_EditorPageBuilder::fillsEveryPlaceholder()
{
    Template rich;
    rich.setFontName(QStringLiteral("Georgia"));
    rich.setFontSize(14.0);
    rich.setAlignment(3);
    rich.setBackgroundColor(rv::Color(1, 1, 1));
    rich.setTextColor(rv::Color(0, 0, 0.5));
    rich.setCss(QStringLiteral("p { margin: 0 }"));
    const auto page =
        EditorPageBuilder(showingResources()).build(QStringLiteral("<p>hi</p>"), rich);
    QVERIFY(page);
    QCOMPARE(page->defaultAlignment, QStringLiteral("center"));
    QVERIFY(page->style.startsWith(
        QStringLiteral("body{font:14px \"Georgia\";text-align:center;background:#ffffff;"
                       "color:#00007f}h{background:url(data:image/png;base64,")));
    QVERIFY(page->style.endsWith(QStringLiteral("\np { margin: 0 }")));
    QVERIFY(page->html.contains(QStringLiteral("content=\"&lt;p&gt;hi&lt;/p&gt;\"")));
    QVERIFY(page->html.contains(QStringLiteral("data-a=\"center\"")));
    for (const QString& placeholder : Placeholders) {
        QVERIFY2(!page->html.contains(placeholder), qPrintable(placeholder));
        QVERIFY2(!page->style.contains(placeholder), qPrintable(placeholder));
    }
}

// A post, or captured CSS, that mentions a placeholder keeps it as written.
void tst_EditorPageBuilder::substitutesInOnePass()
{
    Template rich;
    rich.setCss(QStringLiteral("/* $FONT$ $MAIN$ */"));
    const QString post =
        QStringLiteral("<p>Price: $5, $FONT$ $ALIGN$ $BACKGROUND$ $TEXTCOLOR$ $STYLE$ $$MAIN$</p>");
    const auto page = EditorPageBuilder(showingResources()).build(post, rich);
    QVERIFY(page);
    QVERIFY(page->html.contains(QStringLiteral("content=\"") + rv::encodeXML(post) + u'"'));
    QVERIFY(page->style.endsWith(QStringLiteral("/* $FONT$ $MAIN$ */")));

    const QHash<QString, QString> values{{"A", "$B$"}, {"B", "b"}};
    QCOMPARE(EditorPageBuilder::substitute(QStringLiteral("$A$ $B$ $C$ $$A$ $"), values),
             QStringLiteral("$B$ b $C$ $$B$ $"));
}

void tst_EditorPageBuilder::values_data()
{
    QTest::addColumn<QString>("fontName");
    QTest::addColumn<double>("fontSize");
    QTest::addColumn<QString>("backgroundImage");
    QTest::addColumn<int>("tile"); // -1 unset
    QTest::addColumn<QString>("font");
    QTest::addColumn<QString>("background");

    QTest::newRow("size truncated")
        << "Lucida Grande" << 12.7 << "" << -1 << "12px \"Lucida Grande\""
        << "#ffffff";
    // A damaged template's size gives a font the page can use.
    QTest::newRow("size past any screen") << "F" << 1e300 << "" << -1 << "1000px \"F\""
                                          << "#ffffff";
    QTest::newRow("size below one pixel") << "F" << -4.0 << "" << -1 << "1px \"F\""
                                          << "#ffffff";
    QTest::newRow("size not a number") << "F" << qQNaN() << "" << -1 << "12px \"F\""
                                       << "#ffffff";
    QTest::newRow("quote in the name") << "A\"B\\C" << 9.0 << "" << -1 << "9px \"A\\\"B\\\\C\""
                                       << "#ffffff";
    QTest::newRow("picture, tiling unset") << "F" << 12.0 << "/tmp/paper.png" << -1 << "12px \"F\""
                                           << "no-repeat url('file:///tmp/paper.png') #ffffff";
    QTest::newRow("picture, not tiled") << "F" << 12.0 << "/tmp/paper.png" << 0 << "12px \"F\""
                                        << "no-repeat url('file:///tmp/paper.png') #ffffff";
    QTest::newRow("picture, tiled") << "F" << 12.0 << "/tmp/it's.png" << 1 << "12px \"F\""
                                    << "repeat url('file:///tmp/it\\'s.png') #ffffff";
}

void tst_EditorPageBuilder::values()
{
    QFETCH(QString, fontName);
    QFETCH(double, fontSize);
    QFETCH(QString, backgroundImage);
    QFETCH(int, tile);
    QFETCH(QString, font);
    QFETCH(QString, background);
    Template rich;
    rich.setFontName(fontName);
    rich.setFontSize(fontSize);
    rich.setBackgroundColor(rv::Color(1, 1, 1));
    rich.setBackgroundImage(backgroundImage);
    if (tile >= 0)
        rich.setTileBackground(tile == 1);
    QCOMPARE(EditorPageBuilder::fontValue(rich), font);
    QCOMPARE(EditorPageBuilder::backgroundValue(rich), background);

    const QStringList keywords{"justify", "left", "right", "center", "left", "left"};
    for (int alignment = -1; alignment < 5; ++alignment)
        QCOMPARE(EditorPageBuilder::alignmentKeyword(alignment),
                 keywords.at(alignment < 0 ? 5 : alignment));
}

// A post may hold any markup, stray end tags too: the page holds it as text,
// for the page script to parse as the division's content alone.
void tst_EditorPageBuilder::postStaysText()
{
    const QString post = QStringLiteral("<p>a</p></div></body><p title=\"q\">after</p>");
    const auto page = EditorPageBuilder().build(post, Template());
    QVERIFY(page);
    QVERIFY(page->html.contains(QStringLiteral("<meta name=\"plumet-main\" content=\"") +
                                rv::encodeXML(post) + QStringLiteral("\">")));
    QVERIFY(!page->html.contains(QStringLiteral("<p>")));
    QVERIFY(page->html.contains(
        QRegularExpression(QStringLiteral("<div id=\"plumetcontent\"[^>]*></div>"))));
}

// Captured styles may hold anything; the page's markup never takes them in as markup.
void tst_EditorPageBuilder::styleTextCannotBecomeMarkup()
{
    Template rich;
    rich.setFontName(QStringLiteral("\"</style><script>alert(1)</script>"));
    rich.setCss(QStringLiteral("p { font-family: \"x\" }</style><script>alert(2)</script>"));
    const auto page = EditorPageBuilder().build(QStringLiteral("<p>x</p>"), rich);
    QVERIFY(page);
    QVERIFY(page->style.contains(QStringLiteral("alert(1)")));
    QVERIFY(page->style.contains(QStringLiteral("alert(2)")));
    QVERIFY(!page->html.contains(QStringLiteral("<script")));
    QVERIFY(!page->html.contains(QStringLiteral("</style><")));
    // The sheet's font declaration still ends where it should.
    QVERIFY(page->style.contains(
        QStringLiteral("font: 12px \"\\\"</style><script>alert(1)</script>\", sans-serif;")));
}

void tst_EditorPageBuilder::mainContent_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("content");
    QTest::newRow("empty") << ""
                           << "<p>&nbsp;</p>";
    QTest::newRow("blank") << " \n\t "
                           << "<p>&nbsp;</p>";
    QTest::newRow("no attachment") << "<p>a KEYX</p>"
                                   << "<p>a KEYX</p>";
    QTest::newRow("attachments") << "<p>KEY1 and KEY22, KEY1</p>"
                                 << "<p><img id=\"KEY1\" alt=\"KEY22\"> and <a id=\"KEY22\">f</a>, "
                                    "<img id=\"KEY1\" alt=\"KEY22\"></p>";
}

void tst_EditorPageBuilder::mainContent()
{
    QFETCH(QString, source);
    QFETCH(QString, content);
    // The markup of one mentions the key of the other: it is not read again.
    const QList<std::pair<QString, QString>> attachments{
        {"KEY1", "<img id=\"KEY1\" alt=\"KEY22\">"}, {"KEY22", "<a id=\"KEY22\">f</a>"}};
    QCOMPARE(EditorPageBuilder::mainContent(source, attachments), content);
}

void tst_EditorPageBuilder::missingTemplates()
{
    Template rich;
    QVERIFY(!EditorPageBuilder({QString(), QStringLiteral("x")}).build(QString(), rich));
    QVERIFY(!EditorPageBuilder({QStringLiteral("x"), QString()}).build(QString(), rich));
}

void tst_EditorPageBuilder::bundledTemplatesHoldThePlaceholders()
{
    const EditorPageBuilder::Resources bundled = EditorPageBuilder::bundledResources();
    const QString both = bundled.page + bundled.styleSheet;
    for (const QString& placeholder : Placeholders) {
        if (placeholder != QLatin1String("$BGIMG$"))
            QVERIFY2(both.contains(placeholder), qPrintable(placeholder));
    }
    QVERIFY(bundled.page.contains(QStringLiteral("<div id=\"plumetcontent\"")));
    QVERIFY(
        bundled.page.contains(QStringLiteral("<meta name=\"plumet-main\" content=\"$MAIN$\">")));
}

QTEST_GUILESS_MAIN(tst_EditorPageBuilder)
#include "tst_editorpagebuilder.moc"
