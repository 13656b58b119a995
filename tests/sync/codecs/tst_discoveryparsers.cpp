#include "GenericParser.h"
#include "RSD.h"
#include "TestSupport.h"

#include <QTest>

using plumet::test::readTestData;

class tst_DiscoveryParsers : public QObject {
    Q_OBJECT
private slots:
    void wordpressHomePage()
    {
        GenericParser parser(QString::fromUtf8(readTestData("wordpress-6.1/home.html")));
        parser.parseLinks(parser.text());
        QVariantMap editURI;
        QVariantMap stylesheet;
        for (const QVariantMap& link : parser.parsedArray()) {
            if (link.value("rel").toString().contains("EditURI", Qt::CaseInsensitive))
                editURI = link;
            if (link.value("id") == "wp-block-navigation-css")
                stylesheet = link;
        }
        QCOMPARE(editURI, (QVariantMap{{"rel", "EditURI"},
                                       {"type", "application/rsd+xml"},
                                       {"title", "RSD"},
                                       {"href", "http://127.0.0.1:8089/xmlrpc.php?rsd"}}));
        // Single-quoted values read like double-quoted ones.
        QCOMPARE(stylesheet.value("rel"), QVariant("stylesheet"));
        QCOMPARE(stylesheet.value("media"), QVariant("all"));

        QVERIFY(parser.extractMeta());
        QVERIFY(parser.parsedArray().size() >= 5);
    }

    void attributes_data()
    {
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QVariantMap>("attributes");
        QTest::newRow("apostrophe inside double quotes")
            << "<link title=\"Bob's blog\" rel=\"EditURI\" href=\"/x\">"
            << QVariantMap{{"title", "Bob's blog"}, {"rel", "EditURI"}, {"href", "/x"}};
        QTest::newRow("quotes inside single quotes")
            << "<link title='say \"hi\"' href='/x'/>"
            << QVariantMap{{"title", "say \"hi\""}, {"href", "/x"}};
        QTest::newRow("unquoted") << "<link rel=EditURI href=/xmlrpc.php?rsd>"
                                  << QVariantMap{{"rel", "EditURI"}, {"href", "/xmlrpc.php?rsd"}};
        QTest::newRow("valueless") << "<link disabled rel=\"a\" async href=\"b\">"
                                   << QVariantMap{{"rel", "a"}, {"href", "b"}};
        QTest::newRow("capitals") << "<LINK REL=\"EditURI\" HREF=\"X\">"
                                  << QVariantMap{{"rel", "EditURI"}, {"href", "X"}};
        QTest::newRow("spaces around =")
            << "<link rel = \"a\"  href\n=\n'b'>" << QVariantMap{{"rel", "a"}, {"href", "b"}};
        QTest::newRow("empty value not stored")
            << "<link rel=\"\" href=\"b\">" << QVariantMap{{"href", "b"}};
        QTest::newRow("> inside a value") << "<link title=\"a > b\" href=\"c\">"
                                          << QVariantMap{{"title", "a > b"}, {"href", "c"}};
        QTest::newRow("later wins") << "<link href=\"a\" HREF=\"b\">" << QVariantMap{{"href", "b"}};
        QTest::newRow("references decoded")
            << "<link title=\"Tom &amp; Jerry &raquo; &#8211;&#x41;\" href='/x?a=1&amp;b=2'>"
            << QVariantMap{{"title", QStringView(u"Tom & Jerry » –A").toString()},
                           {"href", "/x?a=1&b=2"}};
        QTest::newRow("unclosed quote keeps the rest")
            << "<link rel=\"a\" href=\"b" << QVariantMap{{"rel", "a"}};
    }
    void attributes()
    {
        QFETCH(QString, tag);
        QFETCH(QVariantMap, attributes);
        QCOMPARE(GenericParser::parseAttributes(tag), attributes);
    }

    void linksInText()
    {
        GenericParser parser;
        parser.parseLinks(u"<linkage x=\"1\"><link rel='EditURI' href='/rsd'><a href=\"/\">"
                          u"<link><link title=\"Bob's\" rel=\"alternate\" href=\"/feed\">");
        QCOMPARE(
            parser.parsedArray(),
            (QList<QVariantMap>{{{"rel", "EditURI"}, {"href", "/rsd"}},
                                {{"title", "Bob's"}, {"rel", "alternate"}, {"href", "/feed"}}}));
    }

    void pageHead()
    {
        GenericParser importOnly("<html><head><style>@import url(\"/style.css\");</style></head>"
                                 "<body><link rel=\"late\" href=\"x\"></body></html>");
        QVERIFY(!importOnly.extractMeta());
        QCOMPARE(importOnly.parsedArray(),
                 (QList<QVariantMap>{{{"rel", "stylesheet"}, {"href", "/style.css"}}}));

        GenericParser empty;
        QVERIFY(!empty.extractMeta());
        QCOMPARE(empty.errorString(), QStringLiteral("There is no data to parse."));
    }

    void extractTag()
    {
        QCOMPARE(GenericParser::extractTag(u"<html><TITLE>Tom &amp; Jerry</title>", u"<title>"),
                 QStringLiteral("Tom & Jerry"));
        QVERIFY(GenericParser::extractTag(u"<html>", u"<title>").isNull());
    }

    void tagsOfAPost()
    {
        QVariantMap post{
            {"categories", QVariantList{"existing"}},
            {"content",
             "<p>Tagged <a href=\"http://x/tag/tag+one/\" rel=\"tag\">one</a>, "
             "<a rel='tag nofollow' href='http://x/tags/C%2B%2B'>c++</a>, "
             "<a href=\"http://x/tag/caf%C3%A9\" rel=\"tag\">café</a> and "
             "<a href=\"http://x/about\" rel=\"author\">me</a>. rel=\"tag\" in text.</p>"}};
        GenericParser::extractTags(post);
        QCOMPARE(post.value("categories").toList(),
                 (QVariantList{"existing", "tag one", "C++", QStringView(u"café").toString()}));

        QVariantMap untagged{{"content", "<p>nothing</p>"}};
        GenericParser::extractTags(untagged);
        QVERIFY(!untagged.contains("categories"));
    }

    void wordpressRSD()
    {
        RSD rsd(QString::fromUtf8(readTestData("wordpress-6.1/rsd.xml")));
        QVERIFY(rsd.parseRSD());
        const QVariantMap parsed = rsd.parsedDictionary();
        QCOMPARE(parsed.value("enginename"), QVariant("WordPress"));
        QCOMPARE(parsed.value("enginelink"), QVariant("https://wordpress.org/"));
        const QVariantList apis = parsed.value("apis").toList();
        QStringList names;
        for (const QVariant& api : apis)
            names << api.toMap().value("name").toString();
        QCOMPARE(names,
                 (QStringList{"WordPress", "Movable Type", "MetaWeblog", "Blogger", "WP-API"}));
        QCOMPARE(apis[0].toMap(), (QVariantMap{{"name", "WordPress"},
                                               {"blogid", "1"},
                                               {"preferred", "true"},
                                               {"apilink", "http://127.0.0.1:8089/xmlrpc.php"}}));
    }

    void referencesInRSD()
    {
        RSD rsd(QStringLiteral(
            "<?xml version=\"1.0\"?><rsd><service><engineName>Blog &raquo; Tool &amp; Co"
            "</engineName><engineLink>http://x/?a=1&amp;b=2</engineLink><apis>"
            "<api name=\"Movable Type\" apiLink=\"http://x/mt.cgi?a=1&amp;b=2\" "
            "blogID=\"&#49;\"/></apis></service></rsd>"));
        QVERIFY(rsd.parseRSD());
        const QVariantMap parsed = rsd.parsedDictionary();
        QCOMPARE(parsed.value("enginename"), QVariant(QStringView(u"Blog » Tool & Co").toString()));
        QCOMPARE(parsed.value("enginelink"), QVariant("http://x/?a=1&b=2"));
        const QVariantMap api = parsed.value("apis").toList().value(0).toMap();
        QCOMPARE(api.value("apilink"), QVariant("http://x/mt.cgi?a=1&b=2"));
        QCOMPARE(api.value("blogid"), QVariant("1"));
    }

    void bytesInTheDeclaredCharacterSet()
    {
        // "Café" in ISO 8859-1, as the declaration says, and a Latin-1 page
        // without one (not valid UTF-8, so read as ISO 8859-1).
        RSD rsd = RSD::fromData("<?xml version=\"1.0\" encoding='ISO-8859-1'?><rsd><service>"
                                "<engineName>Caf\xE9</engineName><apis><api name=\"MetaWeblog\" "
                                "apiLink=\"http://x/xmlrpc.php\"/></apis></service></rsd>");
        QVERIFY(rsd.parseRSD());
        QCOMPARE(rsd.parsedDictionary().value("enginename"),
                 QVariant(QStringView(u"Café").toString()));

        GenericParser page = GenericParser::fromData(
            "<html><head><link rel=\"EditURI\" title=\"Caf\xE9\" href=\"/rsd\"></head></html>");
        QVERIFY(page.extractMeta());
        QCOMPARE(page.parsedArray().value(0).value("title"),
                 QVariant(QStringView(u"Café").toString()));
    }

    void rsdErrors_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");
        QTest::newRow("nothing") << ""
                                 << "There is no data to parse.";
        QTest::newRow("a web page") << QString::fromUtf8(readTestData("wordpress-6.1/home.html"))
                                    << "This is not an RSD file.";
        QTest::newRow("no api listed") << "<rsd><service><apis></apis></service></rsd>"
                                       << "There were no supported APIs listed in this RSD file.";
    }
    void rsdErrors()
    {
        QFETCH(QString, text);
        QFETCH(QString, error);
        RSD rsd(text);
        QVERIFY(!rsd.parseRSD());
        QCOMPARE(rsd.errorString(), error);
    }
};

QTEST_GUILESS_MAIN(tst_DiscoveryParsers)
#include "tst_discoveryparsers.moc"
