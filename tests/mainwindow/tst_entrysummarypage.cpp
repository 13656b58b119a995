#include "Category.h"
#include "Entry.h"
#include "EntrySummaryPage.h"
#include "StringEncoding.h"

#include <QPalette>
#include <QTest>
#include <QXmlStreamReader>

// The summary page of a low preview pane: what it shows of an entry, and
// that no text of the entry can become markup of the page.
class tst_EntrySummaryPage : public QObject {
    Q_OBJECT
private slots:
    void excerpt_data();
    void excerpt();
    void categoriesBetweenGuillemets();
    void pageTakesThePalettesColours();
    void permalink_data();
    void permalink();
    void hostileTextsStayText_data();
    void hostileTextsStayText();

private:
    struct Parsed {
        bool wellFormed = false;
        QStringList elements;
        QStringList links; // href of each <a>
        QString text;
    };
    static Parsed parse(const QString& page);
};

tst_EntrySummaryPage::Parsed tst_EntrySummaryPage::parse(const QString& page)
{
    Parsed parsed;
    QXmlStreamReader reader(page);
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            parsed.elements << reader.name().toString();
            if (reader.name() == QLatin1String("a"))
                parsed.links << reader.attributes().value(QStringLiteral("href")).toString();
        } else if (reader.isCharacters()) {
            parsed.text += reader.text();
        }
    }
    parsed.wellFormed = !reader.hasError();
    return parsed;
}

void tst_EntrySummaryPage::excerpt_data()
{
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("excerpt");
    const QString body200 = QStringLiteral("<p>") + QString(200, QLatin1Char('x')) + "</p>";
    QTest::newRow("body cut at 127") << "" << body200 << QString(127, QLatin1Char('x')) + "&#8230;";
    QTest::newRow("127 exactly") << "" << QString(127, QLatin1Char('y'))
                                 << QString(127, QLatin1Char('y'));
    QTest::newRow("summary first") << "The <b>short</b> one" << body200 << "The short one";
    QTest::newRow("references read, escaped again")
        << ""
        << "<p>Tom &amp; Jerry &lt;3 &eacute;t&eacute;</p>"
        << "Tom &amp; Jerry &lt;3 été";
    QTest::newRow("nothing") << ""
                             << ""
                             << "";
    // Never half of a character beyond the first plane.
    // Paragraphs stay apart; white space inside one is a single space.
    QTest::newRow("paragraphs apart") << ""
                                      << "<p>One</p>\n<p>Two  and\n   three</p>"
                                      << "One<br />Two and three";
    QTest::newRow("blank lines of a text body") << ""
                                                << "First line\n  \nSecond\n\n\n\nThird"
                                                << "First line<br />Second<br />Third";
    QTest::newRow("breaks and blocks")
        << "<div>A</div><DIV class=\"x\">B<br/>C</div><ul><li>D</li></ul>"
        << ""
        << "A<br />B<br />C<br />D";
    QTest::newRow("a title with markup") << "<b>A</b>\n  title"
                                         << ""
                                         << "A title";
    // The break counts as one character: 100 + 1 + 26 = 127.
    QTest::newRow("cut after a break")
        << ""
        << "<p>" + QString(100, QLatin1Char('x')) + "</p><p>" + QString(40, QLatin1Char('y')) +
               "</p>"
        << QString(100, QLatin1Char('x')) + "<br />" + QString(26, QLatin1Char('y')) + "&#8230;";
    QTest::newRow("cut at a break") << ""
                                    << "<p>" + QString(127, QLatin1Char('x')) + "</p><p>more</p>"
                                    << QString(127, QLatin1Char('x')) + "&#8230;";
    QTest::newRow("no half characters")
        << QString(126, QLatin1Char('z')) + QStringLiteral("\U0001F600 and more") << ""
        << QString(126, QLatin1Char('z')) + "&#8230;";
}

void tst_EntrySummaryPage::excerpt()
{
    QFETCH(QString, summary);
    QFETCH(QString, body);
    QFETCH(QString, excerpt);
    EntryPtr entry = Entry::create();
    entry->setSummary(summary);
    entry->setBody(body);
    QCOMPARE(EntrySummaryPage::excerptHtml(*entry), excerpt);
    const QString page = EntrySummaryPage::page(*entry);
    QVERIFY(page.contains(QStringLiteral("&#8220;") + excerpt + QStringLiteral("&#8221;")));
    QVERIFY(parse(page).wellFormed);
}

void tst_EntrySummaryPage::categoriesBetweenGuillemets()
{
    EntryPtr entry = Entry::create();
    QVERIFY(EntrySummaryPage::page(*entry).contains(QStringLiteral("&#171;&#187;")));
    entry->setCategories(CategoryList{Category::withTitle(QStringLiteral("Kitchen")),
                                      Category::withTitle(QStringLiteral("Garden"))});
    QCOMPARE(EntrySummaryPage::categoriesText(*entry), QStringLiteral("Kitchen, Garden"));
    QVERIFY(EntrySummaryPage::page(*entry).contains(QStringLiteral("&#171;Kitchen, Garden&#187;")));
    // The labels of the head cells.
    const QString page = EntrySummaryPage::page(*entry);
    for (const char* label : {">Summary:<", ">Categories:<", ">Permalink:<"})
        QVERIFY2(page.contains(QLatin1String(label)), label);
}

void tst_EntrySummaryPage::pageTakesThePalettesColours()
{
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x2d, 0x2d, 0x2d));
    dark.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xee));
    dark.setColor(QPalette::Base, QColor(0x1c, 0x1d, 0x1f));
    dark.setColor(QPalette::Text, QColor(0xe6, 0xe6, 0xe6));
    dark.setColor(QPalette::Link, QColor(0x6c, 0xb4, 0xff));
    EntryPtr entry = Entry::create();
    entry->setPermaLink(QStringLiteral("http://example.org/p"));
    const QString page = EntrySummaryPage::page(*entry, dark);
    QVERIFY(parse(page).wellFormed);
    QVERIFY2(page.contains(QStringLiteral("background: #1c1d1f")), qPrintable(page));
    QVERIFY(page.contains(QStringLiteral("color: #e6e6e6")));
    QVERIFY(page.contains(QStringLiteral("color: #6cb4ff")));
    QVERIFY(page.contains(QStringLiteral("color-scheme: dark")));
}

void tst_EntrySummaryPage::permalink_data()
{
    QTest::addColumn<QString>("permalink");
    QTest::addColumn<QStringList>("links");
    QTest::newRow("http") << "http://example.org/2024/post"
                          << QStringList{"http://example.org/2024/post"};
    QTest::newRow("https, capitals")
        << "HTTPS://example.org/p?a=1&b=2" << QStringList{"HTTPS://example.org/p?a=1&b=2"};
    QTest::newRow("no scheme") << "example.org/post" << QStringList{"http://example.org/post"};
    QTest::newRow("none") << "" << QStringList{};
    QTest::newRow("javascript") << "javascript:alert(document.cookie)" << QStringList{};
    QTest::newRow("javascript behind a host") << "javascript://x/%0Aalert(1)" << QStringList{};
    QTest::newRow("data") << "data:text/html,<script>alert(1)</script>" << QStringList{};
    QTest::newRow("file") << "file:///etc/passwd" << QStringList{};
}

void tst_EntrySummaryPage::permalink()
{
    QFETCH(QString, permalink);
    QFETCH(QStringList, links);
    EntryPtr entry = Entry::create();
    entry->setPermaLink(permalink);
    const Parsed parsed = parse(EntrySummaryPage::page(*entry));
    QVERIFY(parsed.wellFormed);
    QCOMPARE(parsed.links, links);
    // The permalink is shown as it is, linked or not.
    QVERIFY(parsed.text.contains(permalink));
    QVERIFY(!parsed.elements.contains(QStringLiteral("script")));
}

void tst_EntrySummaryPage::hostileTextsStayText_data()
{
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QString>("category");
    QTest::addColumn<QString>("permalink");
    QTest::newRow("markup in references") << "&lt;script&gt;alert(1)&lt;/script&gt;"
                                          << "<img src=x onerror=alert(1)>"
                                          << "http://example.org/\"><script>alert(1)</script>";
    QTest::newRow("attribute breakout") << "\" onmouseover=\"alert(1)"
                                        << "&quot;><iframe src=javascript:alert(1)>"
                                        << "http://example.org/' onclick='alert(1)";
    // Placeholders in a value are text, never filled in.
    QTest::newRow("placeholders") << "%5 $CATEGORIES $PERMA"
                                  << "%6 %4"
                                  << "http://example.org/%1";
}

void tst_EntrySummaryPage::hostileTextsStayText()
{
    QFETCH(QString, summary);
    QFETCH(QString, category);
    QFETCH(QString, permalink);
    EntryPtr entry = Entry::create();
    entry->setSummary(summary);
    entry->setPermaLink(permalink);
    entry->setCategories(CategoryList{Category::withTitle(category)});
    const QString page = EntrySummaryPage::page(*entry);
    const Parsed parsed = parse(page);
    QVERIFY2(parsed.wellFormed, qPrintable(page));
    // Only the page's own elements.
    for (const QString& element : parsed.elements) {
        QVERIFY2(QStringList({"html", "head", "meta", "title", "style", "body", "table", "tr", "td",
                              "p", "a"})
                     .contains(element),
                 qPrintable(element));
    }
    QVERIFY(parsed.links.size() <= 1);
    QVERIFY(parsed.text.contains(rv::convertEntities(summary)));
    QVERIFY(parsed.text.contains(entry->categories()->first()->displayName()));
    QVERIFY(parsed.text.contains(permalink));
}

QTEST_MAIN(tst_EntrySummaryPage)
#include "tst_entrysummarypage.moc"
