#include "XmlTreeReader.h"

#include <QTest>

class tst_XmlTreeReader : public QObject {
    Q_OBJECT
private slots:
    void keepsWhitespaceTextAndCData()
    {
        const XmlTreeReader::Result tree = XmlTreeReader::read(
            "<?xml version=\"1.0\"?><a x:y=\"1\">\n <b>t</b> <![CDATA[<c>]]>&amp;</a>");
        QVERIFY(tree.ok);
        const XmlNode* a = tree.document.lastChild(u"a");
        QVERIFY(a);
        QCOMPARE(a->attribute(u"x:y"), QStringLiteral("1"));
        QVERIFY(a->attribute(u"y").isNull());
        QCOMPARE(a->children().size(), size_t(5));
        QCOMPARE(a->children()[0].text(), QStringLiteral("\n "));
        QCOMPARE(a->children()[2].text(), QStringLiteral(" "));
        QCOMPARE(a->children()[3].kind(), XmlNode::Kind::CData);
        QCOMPARE(a->childText(), QStringLiteral("\n  <c>&"));
    }

    void prefixedNames()
    {
        const XmlTreeReader::Result tree =
            XmlTreeReader::read("<atom:feed><atom:entry/><entry/><media:content/></atom:feed>");
        QVERIFY(tree.ok);
        const XmlNode* feed = tree.document.lastChildByLocalName(u"feed");
        QVERIFY(feed);
        QCOMPARE(feed->lastChildByLocalName(u"content")->name(), QStringLiteral("media:content"));
        QCOMPARE(feed->lastChild(u"atom:entry"), &feed->children()[0]);
    }

    void refusals_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("dtd");
        QTest::newRow("internal subset")
            << QByteArray("<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;</a>") << true;
        QTest::newRow("external entity")
            << QByteArray("<!DOCTYPE a [<!ENTITY e SYSTEM \"file:///etc/hostname\">]><a>&e;</a>")
            << true;
        QTest::newRow("too deep") << QByteArray("<a>").repeated(XmlTreeReader::maxDepth + 2)
                                  << false;
        QTest::newRow("unclosed") << QByteArray("<a><b></a>") << false;
    }
    void refusals()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, dtd);
        const XmlTreeReader::Result tree = XmlTreeReader::read(bytes);
        QVERIFY(!tree.ok);
        QCOMPARE(tree.refusedDTD, dtd);
        QVERIFY(!tree.error.isEmpty());
        QVERIFY(tree.document.children().empty() || !dtd);
    }

    void junkBehindTheRootIsIgnored()
    {
        const XmlTreeReader::Result tree =
            XmlTreeReader::read("<?xml version=\"1.0\"?><feed><title>t</title></feed>\n"
                                "<b>Notice</b>: Undefined index in <b>/var/www/feed.php</b> <");
        QVERIFY2(tree.ok, qPrintable(tree.error));
        QCOMPARE(tree.document.children().size(), size_t(1));
        QCOMPARE(tree.document.lastChild(u"feed")->lastChild(u"title")->childText(),
                 QStringLiteral("t"));
    }

    void deepButAllowed()
    {
        const QByteArray depth = QByteArray("<a>").repeated(XmlTreeReader::maxDepth) +
                                 QByteArray("</a>").repeated(XmlTreeReader::maxDepth);
        QVERIFY(XmlTreeReader::read(depth).ok);
    }
};

QTEST_GUILESS_MAIN(tst_XmlTreeReader)
#include "tst_xmltreereader.moc"
