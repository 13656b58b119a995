#include "Account.h"
#include "Attachment.h"
#include "AttachmentLibrary.h"
#include "Blog.h"
#include "Category.h"
#include "Entry.h"
#include "EntryContent.h"
#include "EntryRenderer.h"
#include "Format.h"
#include "HtmlTidy.h"
#include "PLUMETFormatterProtocol.h"
#include "SentenceSummary.h"
#include "Template.h"
#include "TestSupport.h"
#include "ThreadCpuTimer.h"
#include "XMLRPCDecoder.h"

#include <QElapsedTimer>
#include <QTest>

namespace {

// Wraps every text in a marker so the test sees which formatter ran.
class MarkingFormatter : public PLUMETFormatterProtocol {
public:
    MarkingFormatter(QString key, bool html) : m_key(std::move(key)), m_html(html) {}
    QString formatterKey() const override { return m_key; }
    QString formatterDescription() const override { return m_key; }
    bool willHandleFormat(const QString& format) const override { return format == m_key; }
    bool allowsHTMLEditing() const override { return m_html; }
    QString formatText(const QString& text) override
    {
        return QStringLiteral("[%1]%2").arg(m_key, text);
    }
    QString urlTemplate() const override { return QStringLiteral("%1-link").arg(m_key); }

private:
    QString m_key;
    bool m_html;
};

MarkingFormatter generic(QStringLiteral("Generic"), true);
MarkingFormatter textile(QStringLiteral("textile"), false);

PLUMETFormatterProtocol* byKey(const QString& key)
{
    if (key == generic.formatterKey())
        return &generic;
    if (key == textile.formatterKey())
        return &textile;
    return nullptr;
}

class FixedLibrary : public AttachmentLibrary {
public:
    bool isLoaded() const override { return loaded; }
    AttachmentPtr attachmentForKey(const QString& key) override
    {
        return loaded ? known.value(key) : nullptr;
    }
    QHash<QString, AttachmentPtr> known;
    bool loaded = true;
};

} // namespace

class tst_EntryRendering : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void formatterChoice_data();
    void formatterChoice();
    void previewFillsPlaceholders();
    void previewOfEmptyEntryAndWholePageTemplate();
    void previewKeepsPlaceholdersTheEntryMentions();
    void tidyValidation_data();
    void tidyValidation();
    void prettyPrintRealPost();
    void prettyPrintKeepsCodeAndSettles_data();
    void prettyPrintKeepsCodeAndSettles();
    void tidyBounds_data();
    void tidyBounds();
    void tidyBoundsCostLittle_data();
    void tidyBoundsCostLittle();
    void tidyReadsPastNul();
    void tidyLaterAnswersOnceWithinItsTimeLimit();
    void extractTags_data();
    void extractTags();
    void extractTagsFromHostileText_data();
    void extractTagsFromHostileText();
    void attachmentKeysSurviveAMissingLibrary();
    void sentenceSummary();
    void tagsFromKeywords();
    void blogpostAddressesDifferByAccount();

private:
    std::shared_ptr<Account> account = Account::create();
    std::shared_ptr<Blog> blog = std::make_shared<Blog>();
};

void tst_EntryRendering::initTestCase()
{
    EntryRenderer::setFormatterLookup({byKey, byKey});
    account->addBlog(blog);
}

void tst_EntryRendering::formatterChoice_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("accountHasFormats");
    QTest::addColumn<QString>("formatted");
    QTest::addColumn<QString>("richEdit");
    QTest::addColumn<bool>("usesFormatter");
    QTest::newRow("empty format") << "" << false << "[Generic]a\n\nb"
                                  << "[Generic]x" << false;
    QTest::newRow("empty format, account formats") << "" << true << "[Generic]a\n\nb"
                                                   << "x" << false;
    QTest::newRow("known format") << "textile" << false << "[textile]a\n\nb"
                                  << "[textile]x" << true;
    QTest::newRow("format through label") << "2" << true << "[textile]a\n\nb"
                                          << "[textile]x" << true;
    QTest::newRow("unknown format") << "nope" << false << "a\n\nb"
                                    << "x" << false;
}

void tst_EntryRendering::formatterChoice()
{
    QFETCH(QString, format);
    QFETCH(bool, accountHasFormats);
    QFETCH(QString, formatted);
    QFETCH(QString, richEdit);
    QFETCH(bool, usesFormatter);
    account->setFormats(QList<FormatPtr>());
    if (accountHasFormats) {
        auto label = std::make_shared<Format>();
        label->setUniqueID(QStringLiteral("2"));
        label->setTitle(QStringLiteral("textile"));
        account->addFormat(label);
    }
    auto entry = Entry::create();
    blog->addEntry(entry);
    entry->setFormat(format);
    entry->setBody(QStringLiteral("a"));
    entry->setExtended(QStringLiteral("b"));
    const EntryRenderer renderer(*entry);
    QCOMPARE(renderer.formattedText(), formatted);
    QCOMPARE(renderer.renderForRichEdit(QStringLiteral("x")), richEdit);
    QCOMPARE(renderer.usedFormatter() != nullptr, usesFormatter);
    QCOMPARE(renderer.renderForRichEdit(QString("")), QString(""));
    blog->removeEntry(entry.get());
}

void tst_EntryRendering::previewFillsPlaceholders()
{
    auto preview = std::make_shared<Template>();
    preview->setHtml(
        QStringLiteral("<html><style>$css$</style><script>$script$</script>$body$</html>"));
    preview->setBody(
        QStringLiteral("<h1>$title$</h1>$body$<p>$categories$|$tags$|$keywords$|$summary$</p>"));
    preview->setCss(QStringLiteral("p{}"));
    preview->setJs(QStringLiteral("js()"));
    blog->setPreviewTemplate(preview);
    auto tags = std::make_shared<Template>();
    tags->setUrl(QStringLiteral("http://tags.test/?s=1&t="));
    tags->setSeparator(QStringLiteral(" · "));
    blog->setTagTemplate(tags);

    auto entry = Entry::create();
    blog->addEntry(entry);
    entry->setFormat(QStringLiteral("nope"));
    entry->setTitle(QStringLiteral("Cafe\u0301"));
    entry->setBody(QStringLiteral("<p>text</p>"));
    entry->setKeywords(QStringLiteral("k <img src=x onerror=alert(1)>"));
    entry->setSummary(QStringLiteral("s"));
    auto both = Category::withTitle(QStringLiteral("R&D"));
    both->setIsCategory(true);
    auto cat = Category::withTitle(QStringLiteral("News"));
    cat->setIsCategory(true);
    cat->setIsTag(false);
    auto tag = Category::withTitle(QStringLiteral("two words"));
    entry->setCategories(CategoryList{both, cat, tag});
    const QString page = EntryRenderer(*entry).renderForPreview();
    QCOMPARE(page,
             QStringLiteral(
                 "<html><style>p{}</style><script>js()</script><h1>Caf\u00e9</h1><p>text</p>"
                 "<p>R&amp;D · News|<a href=\"http://tags.test/?s=1&amp;t=R%26D\" "
                 "rel=\"tag\">R&amp;D</a> · <a href=\"http://tags.test/?s=1&amp;t=two%20words\" "
                 "rel=\"tag\">two words</a>|k &lt;img src=x onerror=alert(1)&gt;|s</p></html>"));
    blog->removeEntry(entry.get());
}

void tst_EntryRendering::previewOfEmptyEntryAndWholePageTemplate()
{
    auto preview = std::make_shared<Template>();
    preview->setHtml(QStringLiteral("unused $body$"));
    preview->setBody(QStringLiteral("<html>$css$ $script$ $body$</html>"));
    blog->setPreviewTemplate(preview);
    auto entry = Entry::create();
    blog->addEntry(entry);
    entry->setFormat(QStringLiteral("nope"));
    QCOMPARE(EntryRenderer(*entry).renderForPreview(),
             QStringLiteral("<html>$css$ $script$ <p>&nbsp;</p></html>"));
    blog->removeEntry(entry.get());
}

void tst_EntryRendering::previewKeepsPlaceholdersTheEntryMentions()
{
    // A post about templates shows the placeholders it mentions, in every field.
    auto preview = std::make_shared<Template>();
    preview->setBody(QStringLiteral("<html>$title$|$body$|$summary$|$keywords$|$tags$</html>"));
    blog->setPreviewTemplate(preview);
    auto tags = std::make_shared<Template>();
    tags->setUrl(QStringLiteral("/tag/"));
    blog->setTagTemplate(tags);
    auto entry = Entry::create();
    blog->addEntry(entry);
    entry->setFormat(QStringLiteral("nope"));
    entry->setTitle(QStringLiteral("T $summary$"));
    entry->setBody(QStringLiteral("<p>Write $title$ or $date$</p>"));
    entry->setSummary(QStringLiteral("S $keywords$"));
    entry->setKeywords(QStringLiteral("$tags$"));
    entry->setCategories(CategoryList{Category::withTitle(QStringLiteral("$title$"))});
    QCOMPARE(EntryRenderer(*entry).renderForPreview(),
             QStringLiteral("<html>T $summary$|<p>Write $title$ or $date$</p>|S $keywords$|$tags$|"
                            "<a href=\"/tag/%24title%24\" rel=\"tag\">$title$</a></html>"));
    blog->removeEntry(entry.get());
}

void tst_EntryRendering::tidyValidation_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("reportStart");
    QTest::newRow("clean") << "<p>Hello <em>world</em></p>" << true << "";
    QTest::newRow("only missing alt") << "<p><img src=\"a.png\" /></p>" << true << "";
    QTest::newRow("unclosed on third line")
        << "<p>one</p>\n<p>two</p>\n<p><b>three</p>" << false << "line 3 column";
}

void tst_EntryRendering::tidyValidation()
{
    QFETCH(QString, html);
    QFETCH(bool, valid);
    QFETCH(QString, reportStart);
    const HtmlTidy::Validation result = HtmlTidy::validate(html);
    QCOMPARE(result.valid, valid);
    QVERIFY2(reportStart.isEmpty() ? result.report.isEmpty()
                                   : result.report.startsWith(reportStart),
             qPrintable(result.report));
    QVERIFY(!result.report.contains("Info:"));
    if (!valid) {
        QVERIFY(result.fixedHTML.contains("<b>three</b>"));
        QVERIFY(!result.fixedHTML.contains("</body>"));
        auto entry = Entry::create();
        QVERIFY(!EntryRenderer(*entry).htmlIsValid(html));
        QCOMPARE(entry->validationErrorMessage(), result.report);
        QCOMPARE(entry->fixedHTML(), result.fixedHTML);
    }
}

void tst_EntryRendering::prettyPrintRealPost()
{
    const DecodeResult decoded = XMLRPCDecoder::decode(
        plumet::test::readTestData("wordpress-6.1/getRecentPosts.response.xml"));
    const QString body = decoded.value().toList().first().toMap().value("description").toString();
    QVERIFY(body.contains("<p>"));
    const QString pretty = HtmlTidy::prettyPrint(body);
    QVERIFY(pretty.contains("<p>Welcome to WordPress."));
    QVERIFY(!pretty.contains("</body>") && !pretty.contains("<html"));
    QCOMPARE(HtmlTidy::prettyPrint(QStringLiteral("<div><p>a</p><p>b</p></div>")),
             QStringLiteral("<div>\n  <p>a</p>\n  <p>b</p>\n</div>\n"));
}

void tst_EntryRendering::prettyPrintKeepsCodeAndSettles_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("pretty");
    // Tidy would wrap their text in a CDATA section, which browsers read as code.
    QTest::newRow("scripts")
        << "<p>x</p><script src=\"e.js\"></script><script>if (a < b && c > d) go(\"x\");</script>"
        << "<p>x</p>\n<script src=\"e.js\"></script>\n<script>if (a < b && c > d) go(\"x\");"
           "</script>\n";
    QTest::newRow("typed script") << "<script type=\"text/javascript\">a()</script>"
                                  << "<script type=\"text/javascript\">a()</script>\n";
    QTest::newRow("style sheet") << "<style>p > a { color: red }</style><p>x</p>"
                                 << "<style>p > a { color: red }</style>\n<p>x</p>\n";
    // Tidy breaks the line before a script; pretty-printed again, the break
    // would grow a blank.
    QTest::newRow("scripts among words")
        << "<p>a <script>x()</script> <script>y()</script> b</p>"
        << "<p>a\n<script>x()</script>\n<script>y()</script> b</p>\n";
    QTest::newRow("blanks of pre and comments stay")
        << "<pre>a  \n b</pre><p>x <!-- c  \n d --></p>"
        << "<pre>a  \n b</pre>\n<p>x <!-- c  \n d --></p>\n";
}

void tst_EntryRendering::prettyPrintKeepsCodeAndSettles()
{
    QFETCH(QString, html);
    QFETCH(QString, pretty);
    QCOMPARE(HtmlTidy::prettyPrint(html), pretty);
    QCOMPARE(HtmlTidy::prettyPrint(pretty), pretty);
}

namespace {

QString nested(int depth, const QString& inner = QStringLiteral("x"))
{
    return QStringLiteral("<div>").repeated(depth) + inner +
           QStringLiteral("</div>").repeated(depth);
}

} // namespace

void tst_EntryRendering::tidyBounds_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<bool>("checked");
    // Deep enough to overflow Tidy's stack, and to take it seconds.
    QTest::newRow("120,000 nested divs") << nested(120000) << false;
    QTest::newRow("past the nesting bound") << nested(HtmlTidy::MaxNesting + 1) << false;
    // End tags of elements that are not open close nothing: the elements still nest.
    QTest::newRow("stray end tags between the levels")
        << QStringLiteral("<div></b>").repeated(120000) << false;
    QTest::newRow("an end tag closes what was left open inside it")
        << QStringLiteral("<div><b>words</div>\n").repeated(2 * HtmlTidy::MaxNesting) << true;
    QTest::newRow("deep but within the bound") << nested(100) << true;
    QTest::newRow("unclosed paragraphs open no level")
        << QStringLiteral("<p>para").repeated(2000) << true;
    QTest::newRow("past the size bound")
        << QStringLiteral("<p>words words words</p>\n").repeated(HtmlTidy::MaxInputBytes / 24 + 1)
        << false;
    // Within both bounds, but indented it would be many times its size.
    QTest::newRow("wide at depth")
        << nested(200, QStringLiteral("<div>a</div>").repeated(5000)) << true;
}

void tst_EntryRendering::tidyBounds()
{
    QFETCH(QString, html);
    QFETCH(bool, checked);
    plumet::test::ThreadCpuTimer timer;
    const HtmlTidy::Validation validation = HtmlTidy::validate(html);
    QCOMPARE(validation.checked, checked);
    if (!checked) {
        // Kept as it is, taken as valid, and the report says it was not checked.
        QVERIFY(validation.valid);
        QVERIFY2(validation.report.contains(QLatin1String("not checked")),
                 qPrintable(validation.report));
        QCOMPARE(HtmlTidy::prettyPrint(html), html);
    }
    const QString pretty = HtmlTidy::prettyPrint(html);
    QVERIFY2(
        pretty.size() <= 4 * html.size() + 64 * 1024,
        qPrintable(QStringLiteral("%1 characters from %2").arg(pretty.size()).arg(html.size())));
    QVERIFY2(timer.elapsed() < 10000, qPrintable(QString::number(timer.elapsed())));
}

void tst_EntryRendering::tidyBoundsCostLittle_data()
{
    // Tags whose '>' is far away or missing: a search to the end from each of them, or a
    // walk through text past the size bound, takes minutes.
    QTest::addColumn<QString>("html");
    QTest::addColumn<bool>("checked");
    QTest::newRow("500,000 unclosed tags") << QStringLiteral("<b").repeated(500000) << false;
    QTest::newRow("100,000 open tags, one '>'")
        << QStringLiteral("<a ").repeated(100000) + u'>' << false;
    QTest::newRow("past the size bound, all tags")
        << QStringLiteral("<b").repeated(HtmlTidy::MaxInputBytes / 2 + 1) << false;
    QTest::newRow("10 MB of tags") << QStringLiteral("<b").repeated(5 * 1024 * 1024) << false;
    // Tidy compares each attribute of a tag with the others, and takes what follows a
    // tag without its '>' for more of them.
    QTest::newRow("tags opened and closed, no '>'")
        << QStringLiteral("<b</b").repeated(100000) << false;
    QString attributes = QStringLiteral("<p");
    for (int i = 0; i < 100000; ++i)
        attributes += QStringLiteral(" a%1=\"x\"").arg(i);
    QTest::newRow("100,000 attributes") << attributes + QStringLiteral(">x</p>") << false;
    QTest::newRow("attributes within the bound")
        << QStringLiteral("<p") + QStringLiteral(" class=\"x\"").repeated(HtmlTidy::MaxAttributes) +
               QStringLiteral(">x</p>\n")
        << true;
    // Within every bound, so Tidy sees it: thousands of tags, each closed on its line.
    QTest::newRow("many short tags")
        << QStringLiteral("<p><a href=\"/x\" title=\"a b\">x</a></p>\n").repeated(20000) << true;
}

void tst_EntryRendering::tidyBoundsCostLittle()
{
    QFETCH(QString, html);
    QFETCH(bool, checked);
    plumet::test::ThreadCpuTimer timer;
    const HtmlTidy::Validation validation = HtmlTidy::validate(html);
    const QString pretty = HtmlTidy::prettyPrint(html);
    const qint64 elapsed = timer.elapsed();
    QCOMPARE(validation.checked, checked);
    if (!checked)
        QCOMPARE(pretty, html);
    QVERIFY2(elapsed < 2000, qPrintable(QStringLiteral("%1 ms").arg(elapsed)));
}

void tst_EntryRendering::tidyReadsPastNul()
{
    const QString html =
        QStringLiteral("<p>before</p>") + QChar(0) + QStringLiteral("<p>after</p>");
    QVERIFY(HtmlTidy::prettyPrint(html).contains(QLatin1String("after")));
    const HtmlTidy::Validation validation =
        HtmlTidy::validate(html + QStringLiteral("<p><b>x</p>"));
    QVERIFY(!validation.valid);
    QVERIFY(validation.fixedHTML.contains(QLatin1String("after")));
}

void tst_EntryRendering::tidyLaterAnswersOnceWithinItsTimeLimit()
{
    QObject context;
    QList<HtmlTidy::Validation> answers;
    const auto collect = [&answers](const HtmlTidy::Validation& v) { answers << v; };

    HtmlTidy::validateLater(QStringLiteral("<p><b>bold</p>"), &context, collect);
    QTRY_COMPARE(answers.size(), 1);
    QVERIFY(answers.first().checked && !answers.first().valid);

    // A long document and a limit it cannot meet: the text is taken unchecked, at once,
    // and the late answer is dropped.
    answers.clear();
    const QString large = QStringLiteral("<p>a <b>b</b> <i>c</i></p>\n").repeated(60000);
    QElapsedTimer timer;
    timer.start();
    HtmlTidy::validateLater(large, &context, collect, 1);
    QTRY_COMPARE(answers.size(), 1);
    QVERIFY(timer.elapsed() < 2000);
    QVERIFY(!answers.first().checked && answers.first().valid);
    QVERIFY(answers.first().report.contains(QLatin1String("too long")));
    QTest::qWait(3000);
    QCOMPARE(answers.size(), 1);

    QStringList pretty;
    HtmlTidy::prettyPrintLater(QStringLiteral("<div><p>a</p></div>"), &context,
                               [&pretty](const QString& text) { pretty << text; });
    QTRY_COMPARE(pretty.size(), 1);
    QCOMPARE(pretty.first(), QStringLiteral("<div>\n  <p>a</p>\n</div>\n"));
}

void tst_EntryRendering::extractTags_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("tags");
    QTest::addColumn<QString>("result");
    QTest::newRow("escaped two words")
        << "  <p>Hi</p><a href=\"http://t.test/tag/two%20words/\" rel=\"tag\">two words</a> "
        << QStringList{"two words"}
        << "<p>Hi</p><a href=\"http://t.test/tag/two%20words/\" rel=\"tag\">two words</a>";
    QTest::newRow("single quotes, plus")
        << "<a rel='tag' href='http://t.test/tag/a+b'>a b</a>" << QStringList{"a b"}
        << "<a rel='tag' href='http://t.test/tag/a+b'>a b</a>";
    QTest::newRow("query is skipped")
        << "<a href=\"http://t.test/?tag=x\" rel=\"tag\">x</a>" << QStringList()
        << "<a href=\"http://t.test/?tag=x\" rel=\"tag\">x</a>";
    QTest::newRow("not a tag link")
        << "<a href=\"http://t.test/x\" rel=\"nofollow\">x</a>" << QStringList()
        << "<a href=\"http://t.test/x\" rel=\"nofollow\">x</a>";
    // Addresses whose path holds the characters themselves, not their escapes.
    QTest::newRow("unescaped non-ASCII name")
        << QString::fromUtf8("<a href=\"http://t.test/tag/caf\u00e9/\" rel=\"tag\">caf\u00e9</a>")
        << QStringList{QString::fromUtf8("caf\u00e9")}
        << QString::fromUtf8("<a href=\"http://t.test/tag/caf\u00e9/\" rel=\"tag\">caf\u00e9</a>");
    QTest::newRow("escaped UTF-8 name")
        << "<a href=\"http://t.test/tag/%E6%97%A5%E6%9C%AC\" rel=\"tag\">x</a>"
        << QStringList{QString::fromUtf8("\u65e5\u672c")}
        << "<a href=\"http://t.test/tag/%E6%97%A5%E6%9C%AC\" rel=\"tag\">x</a>";
    QTest::newRow("escaped Latin-1 name")
        << "<a href=\"http://t.test/tag/caf%E9\" rel=\"tag\">x</a>"
        << QStringList{QString::fromUtf8("caf\u00e9")}
        << "<a href=\"http://t.test/tag/caf%E9\" rel=\"tag\">x</a>";
    QTest::newRow("technorati block")
        << "Text<!-- technorati tags start --><a href=\"http://t.test/tag/z\" rel=\"tag\">z</a>"
           "<!-- technorati tags end -->"
        << QStringList{"z"} << "Text";
    QTest::newRow("posttagsblock") << "Body <div class=\"posttagsblock\"><a "
                                      "href=\"http://t.test/tag/y\" rel=\"tag\">y</a></div> end"
                                   << QStringList{"y"} << "Body  end";
    // The markers are looked for eight characters at a time: each kind at
    // every place of a block.
    const QString link = QStringLiteral("<a href=\"http://t.test/tag/z\" rel=\"tag\">z</a>");
    for (int pad = 0; pad < 9; ++pad) {
        const QString before(pad, QLatin1Char('x'));
        QTest::addRow("tag link after %d", pad)
            << before + link << QStringList{"z"} << before + link;
        QTest::addRow("technorati block after %d", pad)
            << before + "<!-- technorati tags start -->" + link + "<!-- technorati tags end -->"
            << QStringList{"z"} << before;
        QTest::addRow("posttagsblock after %d", pad)
            << before + "<p class=\"posttagsblock\">" + link + "</p>" << QStringList{"z"} << before;
    }
}

void tst_EntryRendering::extractTags()
{
    QFETCH(QString, text);
    QFETCH(QStringList, tags);
    QFETCH(QString, result);
    auto entry = Entry::create();
    blog->addEntry(entry);
    QCOMPARE(EntryRenderer(*entry).extractTags(text), result);
    QStringList found;
    for (const auto& category : entry->categories().value_or(CategoryList())) {
        QVERIFY(category->isTag());
        found << category->title();
    }
    QCOMPARE(found, tags);
    for (const QString& tag : tags)
        QVERIFY(blog->hasCategoryWithName(tag)); // the blog learns its tags
    blog->removeEntry(entry.get());
}

void tst_EntryRendering::extractTagsFromHostileText_data()
{
    // About a megabyte each, shaped so that a search running on from every marker
    // (to the element's end, back to its start, to its address) or a list searched
    // once per tag takes minutes.
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("tags");
    const int megabyte = 1 << 20;
    auto repeated = [megabyte](const QString& unit) {
        return unit.repeated(megabyte / unit.size());
    };
    QTest::newRow("markers and no element end") << repeated("x rel=\"") << QStringList();
    QTest::newRow("markers and no element start") << repeated("rel=\"tag\">") << QStringList();
    QTest::newRow("markers in one long element")
        << "<a " + repeated("rel=\"tag\" ") + "href=\"http://t.test/tag/x\">x</a>"
        << QStringList{"x"};
    QString links;
    QStringList names;
    for (int i = 0; links.size() < megabyte; ++i) {
        names << QStringLiteral("t%1").arg(i);
        links += QStringLiteral("<a href=\"/tag/t%1\" rel=\"tag\">t%1</a> ").arg(i);
    }
    links.chop(1);
    QTest::newRow("thousands of tag links") << links << names;
}

void tst_EntryRendering::extractTagsFromHostileText()
{
    QFETCH(QString, text);
    QFETCH(QStringList, tags);
    auto ownBlog = std::make_shared<Blog>();
    auto entry = Entry::create();
    ownBlog->addEntry(entry);

    plumet::test::ThreadCpuTimer timer;
    QCOMPARE(EntryRenderer(*entry).extractTags(text), text);
    const qint64 elapsed = timer.elapsed();

    QStringList found;
    for (const auto& category : entry->categories().value_or(CategoryList()))
        found << category->title();
    QCOMPARE(found, tags);
    QCOMPARE(ownBlog->categories().size(), tags.size()); // the blog learns them too
    QVERIFY2(elapsed < 1000, qPrintable(QStringLiteral("%1 ms").arg(elapsed)));
}

void tst_EntryRendering::attachmentKeysSurviveAMissingLibrary()
{
    auto entry = Entry::create();
    entry->setBody(QStringLiteral("see KNOWN and GONE"));
    entry->setAttachments(QStringList{"KNOWN", "GONE", "UNUSED"});
    entry->setNeedsSave(false);

    // The library failed to load: nothing is known, nothing is thrown away.
    AttachmentLibrary::setSharedInstance(nullptr);
    auto found = EntryContent(*entry).attachmentsFromKeys();
    QVERIFY(found && found->isEmpty());
    QCOMPARE(entry->attachments().value(), QStringList({"KNOWN", "GONE"}));
    QCOMPARE(entry->body(), QStringLiteral("see KNOWN and GONE"));

    FixedLibrary library;
    library.known.insert("KNOWN", std::make_shared<Attachment>());
    // Installed, but its file could not be read: still nothing is thrown away.
    entry->setNeedsSave(false);
    library.loaded = false;
    AttachmentLibrary::setSharedInstance(&library);
    found = EntryContent(*entry).attachmentsFromKeys();
    QVERIFY(found && found->isEmpty());
    QCOMPARE(entry->attachments().value(), QStringList({"KNOWN", "GONE"}));
    QCOMPARE(entry->body(), QStringLiteral("see KNOWN and GONE"));
    QVERIFY(!entry->needsSave());

    library.loaded = true;
    found = EntryContent(*entry).attachmentsFromKeys();
    AttachmentLibrary::setSharedInstance(nullptr);
    QCOMPARE(found->keys(), QStringList{"KNOWN"});
    QCOMPARE(entry->attachments().value(), QStringList{"KNOWN"});
    QCOMPARE(entry->body(), QStringLiteral("see KNOWN and  "));
    QVERIFY(entry->needsSave());
}

void tst_EntryRendering::sentenceSummary()
{
    const QString text =
        QStringLiteral("Gardens need water every summer. The cat sat on a mat. "
                       "Watering gardens early keeps water from evaporating in summer heat! "
                       "Nothing else happened?");
    const SentenceSummary summary(text);
    QCOMPARE(summary.sentenceCount(), 4);
    QCOMPARE(summary.summary(1).value(),
             QStringLiteral("Watering gardens early keeps water from evaporating in summer heat!"));
    QCOMPARE(summary.summary(2).value(),
             QStringLiteral("Gardens need water every summer. Watering gardens early keeps water "
                            "from evaporating in summer heat!"));
    QCOMPARE(summary.summary(9).value().size(), text.size());
    QVERIFY(!summary.summary(0));
    QVERIFY(!SentenceSummary(QString()).summary(1));

    auto entry = Entry::create();
    entry->setBody(QStringLiteral("<p>%1</p>").arg(QString(400, QLatin1Char('x'))));
    QCOMPARE(EntryContent(*entry).createExcerpt(2), QString(400, QLatin1Char('x')));
}

void tst_EntryRendering::tagsFromKeywords()
{
    auto entry = Entry::create();
    blog->addEntry(entry);
    // Without a blog system that takes tags, keywords stay keywords.
    EntryContent(*entry).tagsFromKeywords(QStringLiteral("alpha, beta"));
    QCOMPARE(entry->keywords(), QStringLiteral("alpha, beta"));
    QVERIFY(entry->categories()->isEmpty());
    // With the tag location set to the keywords, they become tags.
    auto tags = std::make_shared<Template>();
    tags->setLocation(3);
    blog->setTagTemplate(tags);
    for (const QString& keywords : {QStringLiteral("alpha, beta"), QStringLiteral("alpha beta")}) {
        entry->setCategories(CategoryList());
        EntryContent(*entry).tagsFromKeywords(keywords);
        QCOMPARE(EntryContent(*entry).asTags(), QStringLiteral("alpha,beta"));
    }
    // Names come back XML-encoded, as they went out: the tags are the names typed.
    entry->setCategories(CategoryList());
    EntryContent(*entry).tagsFromKeywords(QStringLiteral("A &amp; B, Q's &lt;tag&gt;"));
    QCOMPARE(EntryContent(*entry).asTags(), QStringLiteral("A & B,Q's <tag>"));
    blog->removeEntry(entry.get());
}

void tst_EntryRendering::blogpostAddressesDifferByAccount()
{
    auto other = Account::create();
    auto otherBlog = std::make_shared<Blog>();
    other->addBlog(otherBlog);
    auto first = Entry::create(), second = Entry::create();
    second->setUniqueID(first->uniqueID());
    first->setParentBlog(blog.get());
    second->setParentBlog(otherBlog.get());
    const QString a = EntryRenderer(*first).blogpostURL(), b = EntryRenderer(*second).blogpostURL();
    QVERIFY(a.startsWith("x-blogpost://"));
    QCOMPARE(a.section('@', 0, 0), b.section('@', 0, 0));
    QCOMPARE(a.section('@', 1), account->accountID());
    QCOMPARE(b.section('@', 1), other->accountID());
}

QTEST_GUILESS_MAIN(tst_EntryRendering)
#include "tst_entryrendering.moc"
