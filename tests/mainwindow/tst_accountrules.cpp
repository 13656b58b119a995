#include "AccessPointDiscovery.h"
#include "AccountDetails.h"
#include "AccountEditing.h"
#include "BlogSystems.h"
#include "ImportGroups.h"
#include "PluginManager.h"

#include <QTest>

using namespace std::chrono_literals;

class tst_AccountRules : public QObject {
    Q_OBJECT
private slots:
    void uniqueTitle_data();
    void uniqueTitle();
    void newAccountTitle_data();
    void newAccountTitle();
    void autoSavePeriod_data();
    void autoSavePeriod();
    void needsSave_data();
    void needsSave();
    void clearedDetails();
    void systemsTable();
    void importGroups();
};

void tst_AccountRules::uniqueTitle_data()
{
    QTest::addColumn<QString>("wanted");
    QTest::addColumn<QStringList>("taken");
    QTest::addColumn<QString>("title");
    QTest::newRow("free") << "Work" << QStringList{"Home"} << "Work";
    QTest::newRow("taken") << "Work" << QStringList{"Work", "Home"} << "Work 1";
    QTest::newRow("taken twice") << "Work" << QStringList{"Work 1", "Work"} << "Work 2";
    QTest::newRow("gap is used") << "Work" << QStringList{"Work", "Work 2"} << "Work 1";
    QTest::newRow("letter case differs") << "work" << QStringList{"Work"} << "work";
    QTest::newRow("no other accounts") << "Work" << QStringList{} << "Work";
}

void tst_AccountRules::uniqueTitle()
{
    QFETCH(QString, wanted);
    QFETCH(QStringList, taken);
    QFETCH(QString, title);
    QCOMPARE(AccountEditing::uniqueTitle(wanted, taken), title);
}

void tst_AccountRules::newAccountTitle_data()
{
    QTest::addColumn<QStringList>("blogs");
    QTest::addColumn<QStringList>("taken");
    QTest::addColumn<QString>("title");
    QTest::newRow("the blog's name") << QStringList{"Café Notes"} << QStringList{} << "Café Notes";
    QTest::newRow("the first of several") << QStringList{"Work", "Home"} << QStringList{} << "Work";
    QTest::newRow("white space folded")
        << QStringList{"  Two\n lines "} << QStringList{} << "Two lines";
    QTest::newRow("a blank name passed over")
        << QStringList{" ", "Home"} << QStringList{} << "Home";
    QTest::newRow("no name: Untitled") << QStringList{""} << QStringList{} << "Untitled";
    QTest::newRow("no blogs: Untitled") << QStringList{} << QStringList{"Work"} << "Untitled";
    QTest::newRow("another account has the name")
        << QStringList{"Work"} << QStringList{"Work", "Work 1"} << "Work 2";
    QTest::newRow("a second Untitled") << QStringList{} << QStringList{"Untitled"} << "Untitled 1";
}

void tst_AccountRules::newAccountTitle()
{
    QFETCH(QStringList, blogs);
    QFETCH(QStringList, taken);
    QFETCH(QString, title);
    QCOMPARE(AccountEditing::newAccountTitle(blogs, taken), title);
}

void tst_AccountRules::autoSavePeriod_data()
{
    QTest::addColumn<QVariant>("minutes");
    QTest::addColumn<qint64>("seconds");
    QTest::newRow("missing") << QVariant() << qint64(300);
    QTest::newRow("0") << QVariant(0) << qint64(300);
    QTest::newRow("-3") << QVariant(-3) << qint64(300);
    QTest::newRow("0.5") << QVariant(0.5) << qint64(300);
    QTest::newRow("1") << QVariant(1) << qint64(60);
    QTest::newRow("2") << QVariant(2) << qint64(120);
    QTest::newRow("2 as text") << QVariant(QStringLiteral("2")) << qint64(120);
    QTest::newRow("no number") << QVariant(QStringLiteral("often")) << qint64(300);
    QTest::newRow("absurdly large is a day") << QVariant(1e12) << qint64(24 * 60 * 60);
}

void tst_AccountRules::autoSavePeriod()
{
    QFETCH(QVariant, minutes);
    QFETCH(qint64, seconds);
    QCOMPARE(AccountEditing::autoSavePeriod(minutes).count(), seconds);
}

void tst_AccountRules::needsSave_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("needsSave");
    QTest::newRow("title") << "title" << false;
    QTest::newRow("label") << "label" << false;
    QTest::newRow("address") << "url" << true;
    QTest::newRow("plug-in") << "pluginKey" << true;
    QTest::newRow("user") << "username" << true;
    QTest::newRow("password") << "password" << true;
    QTest::newRow("nothing") << "" << false;
}

void tst_AccountRules::needsSave()
{
    QFETCH(QString, field);
    QFETCH(bool, needsSave);
    AccountDetails account;
    account.title = QStringLiteral("Work");
    account.url = QStringLiteral("https://example.com/xmlrpc.php");
    account.pluginKey = QStringLiteral("Wordpress");
    account.username = QStringLiteral("ann");
    account.password = QStringLiteral("secret");
    AccountDetails edited = account;
    if (field == QLatin1String("title"))
        edited.title = QStringLiteral("Home");
    else if (field == QLatin1String("label"))
        edited.label = rv::Color(1.0, 0.0, 0.0, 1.0);
    else if (field == QLatin1String("url"))
        edited.url = QStringLiteral("https://example.com/blog/xmlrpc.php");
    else if (field == QLatin1String("pluginKey"))
        edited.pluginKey = QStringLiteral("MetaWeblog");
    else if (field == QLatin1String("username"))
        edited.username = QStringLiteral("bob");
    else if (field == QLatin1String("password"))
        edited.password = QStringLiteral("other");
    QCOMPARE(AccountEditing::needsSave(account, edited), needsSave);

    // A missing text and an empty one are the same.
    AccountDetails none;
    AccountDetails empty;
    empty.url = QStringLiteral("");
    empty.password = QStringLiteral("");
    QVERIFY(!AccountEditing::needsSave(none, empty));
}

void tst_AccountRules::clearedDetails()
{
    const AccountDetails cleared = AccountDetails::cleared();
    QCOMPARE(cleared.title, QStringLiteral("Untitled"));
    QCOMPARE(cleared.pluginKey, QStringLiteral("MovableType"));
    QVERIFY(cleared.url.isNull() && cleared.username.isNull() && cleared.password.isNull());
    QCOMPARE(cleared.label, rv::Color(1.0, 1.0, 1.0, 1.0));
}

void tst_AccountRules::systemsTable()
{
    // The program's table names only plug-ins we ship, and every row has a title.
    PluginManager shipped;
    shipped.setBuiltInFolder(QStringLiteral(PLUMET_PLUGIN_FOLDER));
    shipped.setUserFolder(QString());
    shipped.loadPlugins();
    const BlogSystems standard = BlogSystems::fromResource();
    QVERIFY(standard.count() >= 5);
    for (const BlogSystems::Row& row : standard.rows()) {
        QVERIFY2(shipped.pluginForKey(row.plugin), qPrintable(row.plugin));
        QVERIFY(!row.system.isEmpty());
        if (row.config.isValid())
            QVERIFY(row.url.startsWith(QLatin1String("https://")));
    }
    QCOMPARE(standard.rows().first().plugin, QStringLiteral("Wordpress"));
    // So does every key discovery takes from an API's name.
    for (const QVariant& name :
         {QVariant(QStringLiteral("Atom")), QVariant(QStringLiteral("Movable Type")),
          QVariant(QStringLiteral("WordPress")), QVariant()})
        QVERIFY2(shipped.pluginForKey(AccessPointDiscovery::pluginKeyForApiName(name)),
                 qPrintable(name.toString()));

    const BlogSystems table = BlogSystems::fromData(R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><array>
<dict><key>system</key><string>Fixed</string><key>plugin</key><string>TypePad</string>
<key>config</key><true/><key>url</key><string>https://fixed.example/api</string></dict>
<string>not a row</string>
<dict><key>plugin</key><string>NoTitle</string></dict>
<dict><key>system</key><string>Discovered</string><key>plugin</key><string>MovableType</string></dict>
</array></plist>)");
    QCOMPARE(table.count(), 2);
    QCOMPARE(table.selectedConfig(0), QVariant(true));
    QVERIFY(!table.selectedConfig(1).isValid());
    // "Other", the item past the rows, has no config and no row.
    QVERIFY(!table.selectedConfig(2).isValid());
    QVERIFY(!table.row(2));
    QVERIFY(!table.selectedConfig(-1).isValid());
}

void tst_AccountRules::importGroups()
{
    const auto entry = [](const char* url, const char* blog, const char* title) {
        QVariantMap map{{QStringLiteral("title"), QString::fromUtf8(title)}};
        if (url)
            map.insert(QStringLiteral("url"), QString::fromUtf8(url));
        if (blog)
            map.insert(QStringLiteral("blogname"), QString::fromUtf8(blog));
        return QVariant(map);
    };
    const QVariantList entries{
        entry("http://b.example/", "beta", "one"),   entry("http://a.example/", "Alpha", "two"),
        entry(nullptr, "Alpha", "no address"),       entry("http://a.example/", nullptr, "no blog"),
        entry("http://b.example/", "beta", "three"),
    };
    const auto groups = ImportGroups::group(entries);
    QCOMPARE(groups.keys().size(), 2);
    const QVariantList beta = groups.value(QStringLiteral("beta (http://b.example/)"));
    QCOMPARE(beta.size(), 2);
    QCOMPARE(beta.at(0).toMap().value("title").toString(), QStringLiteral("one"));
    QCOMPARE(beta.at(1).toMap().value("title").toString(), QStringLiteral("three"));
    QCOMPARE(groups.value(QStringLiteral("Alpha (http://a.example/)")).size(), 1);
    QCOMPARE(ImportGroups::sortedNames(groups),
             (QStringList{"Alpha (http://a.example/)", "beta (http://b.example/)"}));
}

QTEST_APPLESS_MAIN(tst_AccountRules)
#include "tst_accountrules.moc"
