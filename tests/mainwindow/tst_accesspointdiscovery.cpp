#include "AccessPointDiscovery.h"

#include <QTest>

using namespace AccessPointDiscovery;

class tst_AccessPointDiscovery : public QObject {
    Q_OBJECT
private slots:
    void resolve_data();
    void resolve();
    void editURI_data();
    void editURI();
    void preferredApi_data();
    void preferredApi();
    void moveOf_data();
    void moveOf();
};

void tst_AccessPointDiscovery::resolve_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("reference");
    QTest::addColumn<QString>("resolved");
    QTest::newRow("folder, relative file with query") << "http://example.com/blog/"
                                                      << "xmlrpc.php?rsd"
                                                      << "http://example.com/blog/xmlrpc.php?rsd";
    QTest::newRow("absolute path") << "http://example.com/blog/"
                                   << "/rsd.xml"
                                   << "http://example.com/rsd.xml";
    QTest::newRow("absolute address unchanged") << "http://example.com/blog/"
                                                << "https://other.org/xmlrpc.php?rsd"
                                                << "https://other.org/xmlrpc.php?rsd";
    QTest::newRow("port kept, relative") << "http://example.com:8080/blog/"
                                         << "xmlrpc.php?rsd"
                                         << "http://example.com:8080/blog/xmlrpc.php?rsd";
    QTest::newRow("port kept, absolute path") << "https://example.com:8443/"
                                              << "/xmlrpc.php"
                                              << "https://example.com:8443/xmlrpc.php";
    QTest::newRow("parent folder") << "http://example.com/blog/posts/"
                                   << "../xmlrpc.php"
                                   << "http://example.com/blog/xmlrpc.php";
    QTest::newRow("page, not folder") << "http://example.com/blog/index.php"
                                      << "xmlrpc.php"
                                      << "http://example.com/blog/xmlrpc.php";
    QTest::newRow("network-path reference keeps the scheme")
        << "https://example.com/blog/"
        << "//cdn.example.net/xmlrpc.php?rsd"
        << "https://cdn.example.net/xmlrpc.php?rsd";
    QTest::newRow("query only") << "http://example.com/blog/index.php?p=1"
                                << "?rsd"
                                << "http://example.com/blog/index.php?rsd";
    QTest::newRow("surrounding white space") << "http://example.com/"
                                             << "  /rsd.xml\n"
                                             << "http://example.com/rsd.xml";
    QTest::newRow("empty") << "http://example.com/"
                           << "  "
                           << "";
}

void tst_AccessPointDiscovery::resolve()
{
    QFETCH(QString, base);
    QFETCH(QString, reference);
    QFETCH(QString, resolved);
    QCOMPARE(AccessPointDiscovery::resolve(reference, QUrl(base)).toString(), resolved);
}

void tst_AccessPointDiscovery::editURI_data()
{
    QTest::addColumn<QList<QVariantMap>>("links");
    QTest::addColumn<QString>("found");
    const QString page = QStringLiteral("http://example.com:8080/blog/");
    const auto link = [](const QString& rel, const QVariant& href) {
        QVariantMap map{{QStringLiteral("rel"), rel}};
        if (href.isValid())
            map.insert(QStringLiteral("href"), href);
        return map;
    };
    QTest::newRow("none") << QList<QVariantMap>{link("stylesheet", "/style.css")} << "";
    QTest::newRow("rel in any case") << QList<QVariantMap>{link("editURI", "xmlrpc.php?rsd")}
                                     << "http://example.com:8080/blog/xmlrpc.php?rsd";
    QTest::newRow("rel among others")
        << QList<QVariantMap>{link("alternate EDITURI", "/rsd")} << "http://example.com:8080/rsd";
    QTest::newRow("first with an href wins")
        << QList<QVariantMap>{link("EditURI", QVariant()), link("EditURI", "  "),
                              link("EditURI", "first.xml"), link("EditURI", "second.xml")}
        << "http://example.com:8080/blog/first.xml";
    QTest::newRow("absolute stays")
        << QList<QVariantMap>{link("EditURI", "http://x.org/rsd")} << "http://x.org/rsd";
    Q_UNUSED(page);
}

void tst_AccessPointDiscovery::editURI()
{
    QFETCH(QList<QVariantMap>, links);
    QFETCH(QString, found);
    QCOMPARE(
        AccessPointDiscovery::editURI(links, QUrl(QStringLiteral("http://example.com:8080/blog/")))
            .toString(),
        found);
}

void tst_AccessPointDiscovery::preferredApi_data()
{
    QTest::addColumn<QVariantList>("apis");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("pluginKey");
    const auto api = [](const QVariant& name, const QVariant& preferred, const QVariant& link) {
        QVariantMap map;
        if (name.isValid())
            map.insert(QStringLiteral("name"), name);
        if (preferred.isValid())
            map.insert(QStringLiteral("preferred"), preferred);
        if (link.isValid())
            map.insert(QStringLiteral("apilink"), link);
        return QVariant(map);
    };
    QTest::newRow("first not preferred, second without the attribute")
        << QVariantList{api("MovableType", "false", "http://a/one"),
                        api("MetaWeblog", QVariant(), "http://a/two")}
        << "http://a/two"
        << "MetaWeblog";
    QTest::newRow("TRUE in capitals")
        << QVariantList{api("MetaWeblog", "TRUE", "http://a/x")} << "http://a/x"
        << "MetaWeblog";
    QTest::newRow("yes counts") << QVariantList{api("Movable Type", "Yes", "http://a/mt")}
                                << "http://a/mt"
                                << "MovableType";
    QTest::newRow("atom") << QVariantList{api("Atom API", "true", "http://a/atom")}
                          << "http://a/atom"
                          << "Atom 1.0";
    QTest::newRow("atom before movable")
        << QVariantList{api("MovableType Atom", "true", "http://a/b")} << "http://a/b"
        << "Atom 1.0";
    QTest::newRow("no name") << QVariantList{api(QVariant(), "true", "http://a/c")} << "http://a/c"
                             << "MetaWeblog";
    QTest::newRow("WordPress as the server calls it")
        << QVariantList{api("WordPress", "true", "http://a/xmlrpc.php"),
                        api("Movable Type", "false", "http://a/xmlrpc.php")}
        << "http://a/xmlrpc.php"
        << "MetaWeblog";
    QTest::newRow("preferred without a link is passed over")
        << QVariantList{api("Atom", "true", QVariant()), api("Blogger", "true", "http://a/d")}
        << "http://a/d"
        << "MetaWeblog";
    QTest::newRow("relative link against the document")
        << QVariantList{api("MetaWeblog", "true", "xmlrpc.php")}
        << "http://example.com:8080/blog/xmlrpc.php"
        << "MetaWeblog";
    QTest::newRow("none qualifies") << QVariantList{api("MovableType", "false", "http://a/e")} << ""
                                    << "";
    QTest::newRow("empty list") << QVariantList{} << ""
                                << "";
}

void tst_AccessPointDiscovery::preferredApi()
{
    QFETCH(QVariantList, apis);
    QFETCH(QString, address);
    QFETCH(QString, pluginKey);
    const auto choice = AccessPointDiscovery::preferredApi(
        apis, QUrl(QStringLiteral("http://example.com:8080/blog/rsd.xml")));
    if (address.isEmpty()) {
        QVERIFY(!choice);
        return;
    }
    QVERIFY(choice);
    QCOMPARE(choice->address.toString(), address);
    QCOMPARE(choice->pluginKey, pluginKey);
}

void tst_AccessPointDiscovery::moveOf_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("accessPoint");
    QTest::addColumn<bool>("otherHost");
    QTest::addColumn<bool>("insecure");
    QTest::newRow("same host") << "http://example.com/blog/"
                               << "http://example.com/xmlrpc.php" << false << false;
    QTest::newRow("host letter case") << "http://Example.COM/"
                                      << "http://example.com/x" << false << false;
    QTest::newRow("other host") << "http://example.com/"
                                << "http://evil.example.net/xmlrpc.php" << true << false;
    QTest::newRow("https to http") << "https://example.com/"
                                   << "http://example.com/xmlrpc.php" << false << true;
    QTest::newRow("both") << "https://example.com/"
                          << "http://elsewhere.org/xmlrpc.php" << true << true;
    QTest::newRow("http to https is fine") << "http://example.com/"
                                           << "https://example.com/xmlrpc.php" << false << false;
}

void tst_AccessPointDiscovery::moveOf()
{
    QFETCH(QString, typed);
    QFETCH(QString, accessPoint);
    QFETCH(bool, otherHost);
    QFETCH(bool, insecure);
    const AccessPointMove move = AccessPointDiscovery::moveOf(QUrl(typed), QUrl(accessPoint));
    QCOMPARE(move.otherHost, otherHost);
    QCOMPARE(move.insecure, insecure);
    QCOMPARE(move.any(), otherHost || insecure);
}

QTEST_APPLESS_MAIN(tst_AccessPointDiscovery)
#include "tst_accesspointdiscovery.moc"
