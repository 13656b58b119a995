#include "Entry.h"
#include "Ping.h"
#include "QuoteDraft.h"
#include "Template.h"

#include <QTest>

namespace {

TemplatePtr quoteTemplate()
{
    auto quote = std::make_shared<Template>();
    quote->setTitle(QStringLiteral("$title$"));
    quote->setBody(QStringLiteral("<blockquote cite=\"$url$\">\n$quote$\n[From <a "
                                  "href=\"$url$\"><cite>$title$</cite></a>]\n</blockquote>"));
    return quote;
}

} // namespace

class tst_QuoteDraft : public QObject {
    Q_OBJECT
private slots:
    void parsesQueryKeys_data();
    void parsesQueryKeys();
    void onlyWebAddressesCount_data();
    void onlyWebAddressesCount();
    void selectionBecomesParagraphs_data();
    void selectionBecomesParagraphs();
    void hostileTextStaysText();
    void valuesBringNoPlaceholders();
    void untitledWhenTitleMissing();
    void trackbackTakesFirstEmptySlot();
    void itemNeedsSomething();
    void itemFallbacks();
};

void tst_QuoteDraft::parsesQueryKeys_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("selection");
    QTest::newRow("plain") << "plumet3:?t=Hello%20World&u=http%3A%2F%2Fa.example%2F&s=one"
                           << "Hello World"
                           << "http://a.example/"
                           << "one";
    // "t=" inside the address's value is not the key "t".
    QTest::newRow("key inside a value")
        << "plumet3:?u=http%3A%2F%2Fa.example%2F%3Fat%3D1&t=Real&s=x"
        << "Real"
        << "http://a.example/?at=1"
        << "x";
    QTest::newRow("first occurrence wins") << "plumet3:?t=First&t=Second"
                                           << "First"
                                           << ""
                                           << "";
    QTest::newRow("keys are exact") << "plumet3:?T=No&st=No&t=Yes"
                                    << "Yes"
                                    << ""
                                    << "";
    QTest::newRow("plus stays plus") << "plumet3:?t=a+b%2Bc"
                                     << "a+b+c"
                                     << ""
                                     << "";
    QTest::newRow("utf-8") << "plumet3:?t=%C3%A9t%C3%A9" << QString::fromUtf8("été") << ""
                           << "";
    QTest::newRow("without question mark") << "plumet3:t=Bare&s=text"
                                           << "Bare"
                                           << ""
                                           << "text";
    QTest::newRow("empty title") << "plumet3:?t=&u=https%3A%2F%2Fb.example"
                                 << ""
                                 << "https://b.example"
                                 << "";
}

void tst_QuoteDraft::parsesQueryKeys()
{
    QFETCH(QString, url);
    QFETCH(QString, title);
    QFETCH(QString, address);
    QFETCH(QString, selection);
    const QuoteDraft::UrlQuery query = QuoteDraft::parseUrl(url);
    QCOMPARE(query.title, title);
    QCOMPARE(query.url, address);
    QCOMPARE(query.selection, selection);
}

void tst_QuoteDraft::onlyWebAddressesCount_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("kept");
    QTest::newRow("http") << "http://example.org/post" << true;
    QTest::newRow("https any case") << "HTTPS://example.org/" << true;
    QTest::newRow("javascript") << "javascript:alert(1)" << false;
    QTest::newRow("data") << "data:text/html,<script>alert(1)</script>" << false;
    QTest::newRow("file") << "file:///etc/passwd" << false;
    QTest::newRow("no host") << "http:///path" << false;
    QTest::newRow("relative") << "/path" << false;
}

void tst_QuoteDraft::onlyWebAddressesCount()
{
    QFETCH(QString, address);
    QFETCH(bool, kept);
    QCOMPARE(QuoteDraft::webAddress(address).isEmpty(), !kept);
    const QString url = QStringLiteral("plumet3:?u=%1&p=%1")
                            .arg(QString::fromUtf8(QUrl::toPercentEncoding(address)));
    const QuoteDraft::UrlQuery query = QuoteDraft::parseUrl(url);
    QCOMPARE(query.url.isEmpty(), !kept);
    QCOMPARE(query.trackback.isEmpty(), !kept);
}

void tst_QuoteDraft::selectionBecomesParagraphs_data()
{
    QTest::addColumn<QString>("selection");
    QTest::addColumn<QString>("html");
    QTest::newRow("blank line") << "one\n\ntwo"
                                << "<p>one\n</p><p>\ntwo</p>";
    QTest::newRow("single newline") << "one\ntwo"
                                    << "<p>one<br />\ntwo</p>";
    QTest::newRow("trimmed") << "  one \n"
                             << "<p>one</p>";
    QTest::newRow("windows newlines") << "one\r\n\r\ntwo"
                                      << "<p>one\n</p><p>\ntwo</p>";
    // Markup from a page is text here: it is shown, never run or parsed.
    QTest::newRow("paragraph tag is text") << "<p>hi</p>"
                                           << "<p>&lt;p&gt;hi&lt;/p&gt;</p>";
}

void tst_QuoteDraft::selectionBecomesParagraphs()
{
    QFETCH(QString, selection);
    QFETCH(QString, html);
    QCOMPARE(QuoteDraft::quoteHtml(selection), html);
}

void tst_QuoteDraft::hostileTextStaysText()
{
    const QString url = QStringLiteral(
        "plumet3:?t=%3Cimg%20src%3Dx%20onerror%3Dalert(1)%3E&u=http%3A%2F%2Fa.example%2F%22%20"
        "onmouseover%3D%22x&s=%3Cscript%3Ealert(1)%3C%2Fscript%3E");
    const TemplatePtr quote = quoteTemplate();
    const EntryPtr entry = QuoteDraft::entryFromUrl(url, quote.get());
    const QString body = entry->body();
    QVERIFY2(!body.contains(QLatin1String("<script")), qPrintable(body));
    QVERIFY2(!body.contains(QLatin1String("<img")), qPrintable(body));
    QVERIFY2(body.contains(QLatin1String("&lt;script&gt;alert(1)&lt;/script&gt;")),
             qPrintable(body));
    // An address with a raw quote is no valid address: it is dropped whole.
    QVERIFY2(body.contains(QLatin1String("cite=\"\"")), qPrintable(body));
    QVERIFY2(!body.contains(QLatin1String("onmouseover")), qPrintable(body));
    // A valid one is escaped where it fills an attribute.
    const EntryPtr quoted = QuoteDraft::entryFromUrl(
        QStringLiteral("plumet3:?u=http%3A%2F%2Fa.example%2F%3Fq%3D'x'%26r%3D1"), quote.get());
    QVERIFY2(
        quoted->body().contains(QLatin1String("cite=\"http://a.example/?q=&#39;x&#39;&amp;r=1\"")),
        qPrintable(quoted->body()));
    QVERIFY(body.startsWith(QLatin1String("<p>&nbsp;</p>\n<blockquote")));
    QVERIFY(body.endsWith(QLatin1String("</blockquote>\n<p>&nbsp;</p>")));
    // The title is plain text, as the title field shows it.
    QCOMPARE(entry->title(), QStringLiteral("<img src=x onerror=alert(1)>"));
}

void tst_QuoteDraft::valuesBringNoPlaceholders()
{
    // A value holding a placeholder is not filled again by a later one.
    const TemplatePtr quote = quoteTemplate();
    const EntryPtr entry = QuoteDraft::entryFromUrl(
        QStringLiteral("plumet3:?t=%24url%24&u=https%3A%2F%2Fa.example%2F&s=%24title%24"),
        quote.get());
    QCOMPARE(entry->title(), QStringLiteral("$url$"));
    QVERIFY2(entry->body().contains(QLatin1String("<p>$title$</p>")), qPrintable(entry->body()));
    QVERIFY2(entry->body().contains(QLatin1String("<cite>$url$</cite>")),
             qPrintable(entry->body()));
}

void tst_QuoteDraft::untitledWhenTitleMissing()
{
    const TemplatePtr quote = quoteTemplate();
    for (const char* url : {"plumet3:", "plumet3:?t=&s=x", "plumet3:?u=https%3A%2F%2Fa.example"}) {
        const EntryPtr entry = QuoteDraft::entryFromUrl(QString::fromLatin1(url), quote.get());
        QCOMPARE(entry->title(), QStringLiteral("Untitled"));
    }
}

void tst_QuoteDraft::trackbackTakesFirstEmptySlot()
{
    const TemplatePtr quote = quoteTemplate();
    const EntryPtr entry = QuoteDraft::entryFromUrl(
        QStringLiteral("plumet3:?t=x&p=http%3A%2F%2Ftb.example%2Ftrackback%2F1"), quote.get());
    const PingList pings = entry->pingUris();
    QCOMPARE(pings.size(), 10);
    QCOMPARE(pings.first()->address(), QStringLiteral("http://tb.example/trackback/1"));
    QVERIFY(pings.at(1)->address().isEmpty());
    // A trackback that is no web address is dropped.
    const EntryPtr other =
        QuoteDraft::entryFromUrl(QStringLiteral("plumet3:?p=javascript%3Ax"), quote.get());
    for (const PingPtr& ping : other->pingUris())
        QVERIFY(ping->address().isEmpty());
}

void tst_QuoteDraft::itemNeedsSomething()
{
    const TemplatePtr quote = quoteTemplate();
    QVERIFY(!QuoteDraft::entryFromItem({}, quote.get()));
    QVERIFY(!QuoteDraft::entryFromItem({{QStringLiteral("sourceName"), QStringLiteral("Site")}},
                                       quote.get()));
    // Only the page's address is enough; it fills $url$.
    const EntryPtr entry = QuoteDraft::entryFromItem(
        {{QStringLiteral("url"), QStringLiteral("https://page.example/")}}, quote.get());
    QVERIFY(entry);
    QVERIFY(entry->body().contains(QLatin1String("cite=\"https://page.example/\"")));
}

void tst_QuoteDraft::itemFallbacks()
{
    auto quote = std::make_shared<Template>();
    quote->setTitle(QStringLiteral("$title$"));
    quote->setBody(QStringLiteral("$url$|$quote$|$source-name$|$source-url$"));
    const EntryPtr entry = QuoteDraft::entryFromItem(
        {{QStringLiteral("summary"), QStringLiteral("a <b> c")},
         {QStringLiteral("sourceName"), QStringLiteral("Site & Co")},
         {QStringLiteral("url"), QStringLiteral("https://page.example/")},
         {QStringLiteral("link"), QStringLiteral("https://link.example/")}},
        quote.get());
    QVERIFY(entry);
    QCOMPARE(entry->title(), QStringLiteral("Site & Co"));
    QCOMPARE(entry->body(),
             QStringLiteral("<p>&nbsp;</p>\nhttps://link.example/|a &lt;b&gt; c|Site &amp; "
                            "Co|https://page.example/\n<p>&nbsp;</p>"));
}

QTEST_GUILESS_MAIN(tst_QuoteDraft)
#include "tst_quotedraft.moc"
