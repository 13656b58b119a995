#include "Category.h"
#include "Entry.h"
#include "EntrySummaryPage.h"
#include "StringEncoding.h"

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
