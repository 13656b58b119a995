#include "AddonManager.h"
#include "FormatterManager.h"
#include "PluginBundles.h"
#include "PluginManager.h"
#include "UploaderManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <thread>

namespace {

QString fixtureLibrary(const QString& name)
{
    return QStringLiteral(PLUMET_FIXTURE_PLUGINS "/lib%1.so").arg(name);
}

// Assembles NAME in `folder` as a bundle around a copy of a fixture library.
QString makeBundle(const QString& folder, const QString& name, const QString& fixture,
                   const QString& principalClass, QVariantMap plistChanges = {})
{
    return plumet::test::makePluginBundle(folder, name,
                                          fixture.isEmpty() ? QString() : fixtureLibrary(fixture),
                                          principalClass, plistChanges);
}

// Two empty folders standing for the built-in and the user's plug-in folders.
struct Folders {
    QTemporaryDir root;
    QString builtIn = root.filePath(QStringLiteral("builtin"));
    QString user = root.filePath(QStringLiteral("user"));
    Folders()
    {
        QDir().mkpath(builtIn);
        QDir().mkpath(user);
    }
    template <class Manager> void point(Manager& manager) const
    {
        manager.setBuiltInFolder(builtIn);
        manager.setUserFolder(user);
    }
};

} // namespace

class tst_PluginManagers : public QObject {
    Q_OBJECT

private slots:
    void userBlogSystemReplacesBuiltInOne();
    void keysSortCaseInsensitively();
    void onlyTheExactExtensionCounts();
    void refusesBundlesItCannotTrust_data();
    void refusesBundlesItCannotTrust();
    void refusesLibraryOfAnotherKind();
    void refusalLeavesOtherBundlesLoaded();
    void userFolderDefaultsToSupportFolder();
    void lookUpsOfUnknownKeys();
    void displayNameComesFromTheBundle();
    void shippedBlogSystemsAreNamedAsTheirMakersDo_data();
    void shippedBlogSystemsAreNamedAsTheirMakersDo();
    void userAddonWinsOnlyOverSameFileName();
    void eventsReachEventAddonsLaterInKeyOrder();
    void formatterForFormatAndFailedFormatting();
    void uploaderLoads();
};

void tst_PluginManagers::userBlogSystemReplacesBuiltInOne()
{
    Folders folders;
    makeBundle(folders.builtIn, QStringLiteral("fake.blogsystem"),
               QStringLiteral("fixture_blog_builtin"), QStringLiteral("FakeBlogSystem"));
    makeBundle(folders.user, QStringLiteral("mine.blogsystem"), QStringLiteral("fixture_blog_user"),
               QStringLiteral("FakeBlogSystem"));
    PluginManager manager;
    folders.point(manager);
    manager.loadPlugins();

    QCOMPARE(manager.loadErrors(), QStringList());
    QCOMPARE(manager.pluginKeys(), QStringList{QStringLiteral("Fake")});
    QVERIFY(manager.pluginForKey(QStringLiteral("Fake")));
    QCOMPARE(manager.pluginForKey(QStringLiteral("Fake"))->pluginDescription(),
             QStringLiteral("user"));
    // A driver without page builders offers no pages.
    QVERIFY(!manager.pageBuilderForKey(QStringLiteral("Fake")));
}

void tst_PluginManagers::keysSortCaseInsensitively()
{
    Folders folders;
    for (const QString& key :
         {QStringLiteral("beta"), QStringLiteral("Alpha"), QStringLiteral("gamma")})
        makeBundle(folders.builtIn, key + QStringLiteral(".blogsystem"),
                   QStringLiteral("fixture_blog_") + key, QStringLiteral("FakeBlogSystem"));
    PluginManager manager;
    folders.point(manager);
    manager.loadPlugins();
    QCOMPARE(manager.pluginKeys(), (QStringList{QStringLiteral("Alpha"), QStringLiteral("beta"),
                                                QStringLiteral("gamma")}));
}

void tst_PluginManagers::onlyTheExactExtensionCounts()
{
    Folders folders;
    makeBundle(folders.builtIn, QStringLiteral("fake.BlogSystem"),
               QStringLiteral("fixture_blog_builtin"), QStringLiteral("FakeBlogSystem"));
    makeBundle(folders.builtIn, QStringLiteral("fake.blogsystem.old"),
               QStringLiteral("fixture_blog_builtin"), QStringLiteral("FakeBlogSystem"));
    QFile readme(QDir(folders.builtIn).filePath(QStringLiteral("README")));
    QVERIFY(readme.open(QIODevice::WriteOnly));
    PluginManager manager;
    folders.point(manager);
    manager.loadPlugins();
    QVERIFY(manager.pluginKeys().isEmpty());
    QVERIFY(manager.loadErrors().isEmpty()); // ignored, not refused
}

void tst_PluginManagers::refusesBundlesItCannotTrust_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QString>("principalClass");
    QTest::addColumn<QVariantMap>("plistChanges");
    QTest::addColumn<QString>("reason");

    QTest::newRow("library fails to load")
        << "fixture_unloadable"
        << "UnloadablePlugin" << QVariantMap() << "can't be loaded";
    QTest::newRow("metadata names another class")
        << "fixture_blog_builtin"
        << "Wordpress" << QVariantMap() << "holds \"FakeBlogSystem\"";
    QTest::newRow("library outside the bundle")
        << "fixture_blog_builtin"
        << "FakeBlogSystem" << QVariantMap{{"CFBundleExecutable", "../../libplugin.so"}}
        << "names no library";
    QTest::newRow("library missing") << ""
                                     << "FakeBlogSystem" << QVariantMap() << "is missing";
    QTest::newRow("no principal class") << "fixture_blog_builtin"
                                        << "" << QVariantMap() << "names no principal class";
}

void tst_PluginManagers::refusesBundlesItCannotTrust()
{
    QFETCH(QString, fixture);
    QFETCH(QString, principalClass);
    QFETCH(QVariantMap, plistChanges);
    QFETCH(QString, reason);

    Folders folders;
    const QString bundle = makeBundle(folders.builtIn, QStringLiteral("odd.blogsystem"), fixture,
                                      principalClass, plistChanges);
    if (fixture == QLatin1String("fixture_unloadable"))
        QVERIFY(QFile::exists(QDir(bundle).filePath(QStringLiteral("libplugin.so"))));
    PluginManager manager;
    folders.point(manager);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("odd\\.blogsystem")));
    manager.loadPlugins();

    QVERIFY(manager.pluginKeys().isEmpty());
    QCOMPARE(manager.loadErrors().size(), 1);
    const QString error = manager.loadErrors().constFirst();
    QVERIFY2(error.contains(QLatin1String("\"odd.blogsystem\"")), qPrintable(error));
    QVERIFY2(error.contains(reason), qPrintable(error));
}

void tst_PluginManagers::refusesLibraryOfAnotherKind()
{
    Folders folders;
    // A formatter's library dressed up as a blog system is refused before it
    // is loaded, from the interface id in its metadata.
    makeBundle(folders.builtIn, QStringLiteral("format.blogsystem"),
               QStringLiteral("fixture_formatter"), QStringLiteral("FakeFormatter"));
    // Not a bundle at all: a plain file and a folder without Info.plist.
    QFile file(QDir(folders.user).filePath(QStringLiteral("notes.blogsystem")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a bundle");
    file.close();
    QDir(folders.user).mkdir(QStringLiteral("empty.blogsystem"));

    PluginManager manager;
    folders.point(manager);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("format\\.blogsystem")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("notes\\.blogsystem")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("empty\\.blogsystem")));
    manager.loadPlugins();

    QVERIFY(manager.pluginKeys().isEmpty());
    const QStringList errors = manager.loadErrors();
    QCOMPARE(errors.size(), 3);
    QVERIFY2(errors.at(0).contains(QLatin1String("another kind")), qPrintable(errors.at(0)));
    QVERIFY2(errors.at(0).contains(QLatin1String("blogsystem")), qPrintable(errors.at(0)));
    const QString userErrors = errors.at(1) + errors.at(2);
    QVERIFY2(userErrors.contains(QLatin1String("not a folder")), qPrintable(userErrors));
    QVERIFY2(userErrors.contains(QLatin1String("Info.plist can't be read")),
             qPrintable(userErrors));
}

void tst_PluginManagers::refusalLeavesOtherBundlesLoaded()
{
    Folders folders;
    QFile garbage(QDir(makeBundle(folders.builtIn, QStringLiteral("junk.blogsystem"), QString(),
                                  QStringLiteral("FakeBlogSystem")))
                      .filePath(QStringLiteral("libplugin.so")));
    QVERIFY(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(4096, '\x7f'));
    garbage.close();
    makeBundle(folders.builtIn, QStringLiteral("good.blogsystem"),
               QStringLiteral("fixture_blog_builtin"), QStringLiteral("FakeBlogSystem"));

    PluginManager manager;
    folders.point(manager);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("junk\\.blogsystem")));
    manager.loadPlugins();
    QCOMPARE(manager.pluginKeys(), QStringList{QStringLiteral("Fake")});
    QCOMPARE(manager.loadErrors().size(), 1);
    QVERIFY2(manager.loadErrors().constFirst().contains(QLatin1String("not a plumet plug-in")),
             qPrintable(manager.loadErrors().constFirst()));
}

void tst_PluginManagers::userFolderDefaultsToSupportFolder()
{
    const QString expected =
        QDir(qEnvironmentVariable("XDG_DATA_HOME")).filePath(QStringLiteral("plumet3/formatters"));
    FormatterManager manager;
    QCOMPARE(manager.userFolder(), expected);
    QVERIFY(QFileInfo(expected).isDir());
    AddonManager addons;
    QVERIFY(addons.userFolder().endsWith(QLatin1String("/plumet3/addons")));
    UploaderManager uploaders;
    QVERIFY(uploaders.userFolder().endsWith(QLatin1String("/plumet3/uploaders")));
}

void tst_PluginManagers::lookUpsOfUnknownKeys()
{
    PluginManager manager;
    manager.setBuiltInFolder(QString());
    manager.setUserFolder(QString());
    manager.loadPlugins();
    QVERIFY(!manager.pluginForKey(QString()));
    QVERIFY(!manager.pluginForKey(QStringLiteral("Wordpress")));
    QVERIFY(!manager.pageBuilderForKey(QStringLiteral("Wordpress")));
}

void tst_PluginManagers::displayNameComesFromTheBundle()
{
    Folders folders;
    makeBundle(folders.builtIn, QStringLiteral("fake.blogsystem"),
               QStringLiteral("fixture_blog_builtin"), QStringLiteral("FakeBlogSystem"),
               {{QStringLiteral("CFBundleDisplayName"), QStringLiteral(" Fake  Blogs ")}});
    makeBundle(folders.builtIn, QStringLiteral("alpha.blogsystem"),
               QStringLiteral("fixture_blog_Alpha"), QStringLiteral("FakeBlogSystem"));
    PluginManager manager;
    manager.setBuiltInFolder(folders.builtIn);
    manager.setUserFolder(QString());
    manager.loadPlugins();
    QCOMPARE(manager.displayNameForKey(QStringLiteral("Fake")), QStringLiteral("Fake Blogs"));
    // Without one, and for a key no bundle has, the key stands for the name.
    QCOMPARE(manager.displayNameForKey(QStringLiteral("Alpha")), QStringLiteral("Alpha"));
    QCOMPARE(manager.displayNameForKey(QStringLiteral("Gone")), QStringLiteral("Gone"));

    // A user's bundle that takes the key over brings its own name, or none.
    makeBundle(folders.user, QStringLiteral("mine.blogsystem"), QStringLiteral("fixture_blog_user"),
               QStringLiteral("FakeBlogSystem"));
    PluginManager replaced;
    folders.point(replaced);
    replaced.loadPlugins();
    QCOMPARE(replaced.pluginForKey(QStringLiteral("Fake"))->pluginDescription(),
             QStringLiteral("user"));
    QCOMPARE(replaced.displayNameForKey(QStringLiteral("Fake")), QStringLiteral("Fake"));
}

void tst_PluginManagers::shippedBlogSystemsAreNamedAsTheirMakersDo_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("name");
    QTest::newRow("WordPress") << "Wordpress"
                               << "WordPress";
    QTest::newRow("Movable Type 4") << "MovableType 4"
                                    << "Movable Type 4";
    QTest::newRow("TypePad") << "TypePad"
                             << "TypePad";
    QTest::newRow("Movable Type") << "MovableType"
                                  << "Movable Type";
    QTest::newRow("MetaWeblog") << "MetaWeblog"
                                << "MetaWeblog";
    QTest::newRow("Atom") << "Atom 1.0"
                          << "Atom";
}

void tst_PluginManagers::shippedBlogSystemsAreNamedAsTheirMakersDo()
{
    QFETCH(QString, key);
    QFETCH(QString, name);
    static const std::unique_ptr<PluginManager> shipped = [] {
        auto manager = std::make_unique<PluginManager>();
        manager->setBuiltInFolder(QStringLiteral(PLUMET_PLUGIN_FOLDER));
        manager->setUserFolder(QString());
        manager->loadPlugins();
        return manager;
    }();
    QVERIFY2(shipped->pluginForKey(key), qPrintable(shipped->loadErrors().join('\n')));
    QCOMPARE(shipped->displayNameForKey(key), name);
}

void tst_PluginManagers::userAddonWinsOnlyOverSameFileName()
{
    {
        Folders folders;
        makeBundle(folders.user, QStringLiteral("tool.addon"), QStringLiteral("fixture_addon_user"),
                   QStringLiteral("FakeAddon"));
        makeBundle(folders.builtIn, QStringLiteral("tool.addon"),
                   QStringLiteral("fixture_addon_builtin"), QStringLiteral("FakeAddon"));
        makeBundle(folders.builtIn, QStringLiteral("other.addon"),
                   QStringLiteral("fixture_addon_other"), QStringLiteral("FakeAddon"));
        AddonManager manager;
        folders.point(manager);
        manager.loadPlugins();
        QCOMPARE(manager.pluginKeys(),
                 (QStringList{QStringLiteral("Other"), QStringLiteral("Tool")}));
        QCOMPARE(manager.pluginForKey(QStringLiteral("Tool"))->addonDescription(),
                 QStringLiteral("user"));
        QCOMPARE(manager.toolbarKeys(), QStringList{QStringLiteral("Other")});
    }
    {
        // A built-in add-on of another file name with the same key replaces the user's.
        Folders folders;
        makeBundle(folders.user, QStringLiteral("tool.addon"), QStringLiteral("fixture_addon_user"),
                   QStringLiteral("FakeAddon"));
        makeBundle(folders.builtIn, QStringLiteral("shipped-tool.addon"),
                   QStringLiteral("fixture_addon_builtin"), QStringLiteral("FakeAddon"));
        AddonManager manager;
        folders.point(manager);
        manager.loadPlugins();
        QCOMPARE(manager.pluginKeys(), QStringList{QStringLiteral("Tool")});
        QCOMPARE(manager.pluginForKey(QStringLiteral("Tool"))->addonDescription(),
                 QStringLiteral("built-in"));
        QCOMPARE(manager.toolbarKeys(), QStringList{QStringLiteral("Tool")});
    }
}

void tst_PluginManagers::eventsReachEventAddonsLaterInKeyOrder()
{
    Folders folders;
    makeBundle(folders.builtIn, QStringLiteral("tool.addon"),
               QStringLiteral("fixture_addon_builtin"), QStringLiteral("FakeAddon"));
    makeBundle(folders.builtIn, QStringLiteral("other.addon"),
               QStringLiteral("fixture_addon_other"), QStringLiteral("FakeAddon"));
    makeBundle(folders.builtIn, QStringLiteral("menu.addon"), QStringLiteral("fixture_addon_menu"),
               QStringLiteral("FakeAddon"));
    AddonManager manager;
    folders.point(manager);
    manager.loadPlugins();
    QCOMPARE(manager.pluginKeys().size(), 3);
    qApp->setProperty("fakeAddonEvents", QVariant());

    const QVariantMap published{{QStringLiteral("title"), QStringLiteral("Post")},
                                {QStringLiteral("isAnEdit"), true}};
    // Sent from a worker and from here; heard later, in order, on the main thread.
    std::thread worker([&manager] {
        manager.processNotification({{QStringLiteral("2"), QStringLiteral("Blog")}});
    });
    worker.join();
    manager.processNotification({{QStringLiteral("0"), published}});
    QVERIFY(qApp->property("fakeAddonEvents").toList().isEmpty());
    QTRY_COMPARE(qApp->property("fakeAddonEvents").toList().size(), 4);

    const QVariantList heard = qApp->property("fakeAddonEvents").toList();
    auto event = [&heard](int index) { return heard.at(index).toList(); };
    // Case-insensitive key order ("Other" before "Tool"); the menu add-on hears nothing.
    QCOMPARE(event(0).value(0).toString(), QStringLiteral("Other"));
    QCOMPARE(event(0).value(1).toInt(), 2);
    QCOMPARE(event(0).value(2).toString(), QStringLiteral("Blog"));
    QCOMPARE(event(1).value(0).toString(), QStringLiteral("Tool"));
    QCOMPARE(event(2).value(1).toInt(), 0);
    QCOMPARE(event(2).value(2).toMap(), published);
    for (const QVariant& one : heard)
        QVERIFY(one.toList().value(3).toBool());
}

void tst_PluginManagers::formatterForFormatAndFailedFormatting()
{
    Folders folders;
    makeBundle(folders.user, QStringLiteral("fake.formatter"), QStringLiteral("fixture_formatter"),
               QStringLiteral("FakeFormatter"));
    FormatterManager manager;
    folders.point(manager);
    manager.loadFormatters();
    QCOMPARE(manager.formatterKeys(), QStringList{QStringLiteral("Fake")});
    // Activating a bundle answers its instance, or nothing when it is refused.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("none\\.formatter")));
    QVERIFY(
        !manager.activateFormatter(QDir(folders.user).filePath(QStringLiteral("none.formatter"))));
    QCOMPARE(manager.loadErrors().size(), 1);

    PLUMETFormatterProtocol* fake = manager.formatterForFormat(QStringLiteral("My FAKE format"));
    QVERIFY(fake);
    QCOMPARE(fake, manager.formatterForKey(QStringLiteral("Fake")));
    QVERIFY(!manager.formatterForFormat(QStringLiteral("markdown")));
    QVERIFY(!manager.formatterForFormat(QString()));

    QCOMPARE(FormatterManager::formatText(fake, QStringLiteral("text")),
             QStringLiteral("<fake>text"));
    // A formatter that gives nothing back must not empty the post.
    QCOMPARE(FormatterManager::formatText(fake, QStringLiteral("fail")), QStringLiteral("fail"));
    QCOMPARE(FormatterManager::formatText(nullptr, QStringLiteral("plain")),
             QStringLiteral("plain"));
}

void tst_PluginManagers::uploaderLoads()
{
    Folders folders;
    makeBundle(folders.builtIn, QStringLiteral("fake.uploader"), QStringLiteral("fixture_uploader"),
               QStringLiteral("FakeUploader"));
    // The same library in a bundle of the wrong kind is refused by the blog-system manager.
    makeBundle(folders.builtIn, QStringLiteral("fake.blogsystem"),
               QStringLiteral("fixture_uploader"), QStringLiteral("FakeUploader"));
    UploaderManager uploaders;
    folders.point(uploaders);
    uploaders.loadPlugins();
    QCOMPARE(uploaders.pluginKeys(), QStringList{QStringLiteral("Fake")});

    QString reported;
    PLUMETUploaderProtocol::Callbacks callbacks;
    callbacks.error = [&reported](const QString& message) { reported = message; };
    uploaders.pluginForKey(QStringLiteral("Fake"))->uploadData({}, callbacks);
    QCOMPARE(reported, QStringLiteral("fake uploads go nowhere"));

    PluginManager blogSystems;
    folders.point(blogSystems);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("fake\\.blogsystem")));
    blogSystems.loadPlugins();
    QVERIFY(blogSystems.pluginKeys().isEmpty());
}

QTEST_GUILESS_MAIN(tst_PluginManagers)
#include "tst_pluginmanagers.moc"
