#include "PluginBundles.h"
#include "PluginInstaller.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

namespace {

QString fixtureLibrary(const QString& name)
{
    return QStringLiteral(PLUMET_FIXTURE_PLUGINS "/lib%1.so").arg(name);
}

// Whether a library of that path is mapped into this process.
bool isLoaded(const QString& fileName)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(fileName.toUtf8());
}

void click(QMessageBox* box, const QString& text)
{
    QVERIFY(box);
    for (QAbstractButton* button : box->buttons()) {
        if (button->text() == text) {
            button->click();
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("no button ") + text));
}

QString fileText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class tst_PluginInstaller : public QObject {
    Q_OBJECT
private slots:
    void init();
    void kindsByExtensionInAnyCase_data();
    void kindsByExtensionInAnyCase();
    void installsAGoodBundleWithoutRunningIt();
    void replacesAnOlderCopy();
    void refusesAWrongKind();
    void aFileOfAnyNameIsRefusedInOneShortLine();
    void failedCopyKeepsTheOldOne();
    void cancelInstallsNothing();
    void bundleInItsFolderIsLeftAlone();

private:
    std::unique_ptr<QTemporaryDir> m_root;
    QString m_source;
    QString m_support;
    std::unique_ptr<PluginInstaller> m_installer;
};

void tst_PluginInstaller::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    m_source = m_root->filePath(QStringLiteral("downloads"));
    m_support = m_root->filePath(QStringLiteral("support"));
    QDir().mkpath(m_source);
    m_installer = std::make_unique<PluginInstaller>();
    m_installer->setTargetFolders([this](const QString& subfolder) {
        const QString folder = m_support + QLatin1Char('/') + subfolder;
        QDir().mkpath(folder);
        return folder;
    });
}

void tst_PluginInstaller::kindsByExtensionInAnyCase_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("subfolder");
    QTest::addColumn<QString>("kindWord");
    QTest::newRow("blog system") << "/x/A.blogsystem"
                                 << "blogsystems"
                                 << "plugin";
    QTest::newRow("any case") << "/x/A.BlogSystem/"
                              << "blogsystems"
                              << "plugin";
    QTest::newRow("add-on") << "/x/A.ADDON"
                            << "addons"
                            << "plugin";
    QTest::newRow("uploader") << "/x/A.uploader"
                              << "uploaders"
                              << "plugin";
    QTest::newRow("formatter") << "/x/A.Formatter"
                               << "formatters"
                               << "formatter";
    QTest::newRow("other") << "/x/A.bundle"
                           << ""
                           << "";
}

void tst_PluginInstaller::kindsByExtensionInAnyCase()
{
    QFETCH(QString, path);
    QFETCH(QString, subfolder);
    QFETCH(QString, kindWord);
    const auto kind = PluginInstaller::kindOf(path);
    QCOMPARE(kind.has_value(), !subfolder.isEmpty());
    if (kind) {
        QCOMPARE(kind->subfolder, subfolder);
        QCOMPARE(kind->kindWord, kindWord);
    }
}

void tst_PluginInstaller::installsAGoodBundleWithoutRunningIt()
{
    const QString bundle = plumet::test::makePluginBundle(
        m_source, QStringLiteral("New.blogsystem"),
        fixtureLibrary(QStringLiteral("fixture_blog_builtin")), QStringLiteral("FakeBlogSystem"),
        {{QStringLiteral("CFBundleShortVersionString"), QStringLiteral("2.5")}});
    QSignalSpy finished(m_installer.get(), &PluginInstaller::finished);
    QSignalSpy restart(m_installer.get(), &PluginInstaller::restartRequested);
    QVERIFY(m_installer->install(bundle));

    // It says what it is and that it runs with the user's rights, before anything happens.
    QMessageBox* question = m_installer->dialog();
    QVERIFY(question);
    QCOMPARE(question->objectName(), QStringLiteral("pluginInstallQuestion"));
    const QString details = question->text() + question->informativeText();
    QVERIFY2(details.contains(QLatin1String("blog system")), qPrintable(details));
    QVERIFY2(details.contains(QLatin1String("org.plumet.test.New.blogsystem")),
             qPrintable(details));
    QVERIFY2(details.contains(QLatin1String("2.5")), qPrintable(details));
    QVERIFY2(details.contains(QLatin1String("runs with your rights")), qPrintable(details));
    const QString installed = m_support + QStringLiteral("/blogsystems/New.blogsystem");
    QVERIFY(!QFile::exists(installed));
    click(question, QStringLiteral("Install"));

    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().toBool(), true);
    QVERIFY(QFile::exists(installed + QStringLiteral("/libplugin.so")));
    QVERIFY(QFile::exists(installed + QStringLiteral("/Info.plist")));
    // Nothing of the bundle ran: its library was never loaded, here or from its new place.
    QVERIFY(!isLoaded(QStringLiteral("libplugin.so")));

    // The restart only on request: "Later" asks for none.
    QMessageBox* success = m_installer->dialog();
    QVERIFY(success);
    QCOMPARE(success->objectName(), QStringLiteral("pluginInstallSucceeded"));
    QVERIFY(success->text().contains(QLatin1String("Installation Succeeded!")));
    click(success, QStringLiteral("Later"));
    QCOMPARE(restart.size(), 0);

    // Installing it again and asking for the restart.
    QVERIFY(m_installer->install(bundle));
    click(m_installer->dialog(), QStringLiteral("Install"));
    QTRY_COMPARE(finished.size(), 2);
    click(m_installer->dialog(), QStringLiteral("Restart Now"));
    QCOMPARE(restart.size(), 1);
}

void tst_PluginInstaller::replacesAnOlderCopy()
{
    const QString destination = m_support + QStringLiteral("/addons/Tool.addon");
    plumet::test::makePluginBundle(
        m_support + QStringLiteral("/addons"), QStringLiteral("Tool.addon"),
        fixtureLibrary(QStringLiteral("fixture_addon_user")), QStringLiteral("FakeAddon"));
    QFile stray(destination + QStringLiteral("/Resources/old-only.txt"));
    QVERIFY(stray.open(QIODevice::WriteOnly));
    stray.close();
    const QString bundle = plumet::test::makePluginBundle(
        m_source, QStringLiteral("Tool.addon"),
        fixtureLibrary(QStringLiteral("fixture_addon_user")), QStringLiteral("FakeAddon"),
        {{QStringLiteral("CFBundleVersion"), QStringLiteral("9")}});
    QString error;
    QVERIFY2(PluginInstaller::replaceBundle(bundle, destination, &error), qPrintable(error));
    QVERIFY(fileText(destination + QStringLiteral("/Info.plist")).contains(QLatin1String(">9<")));
    QVERIFY(!QFile::exists(destination + QStringLiteral("/Resources/old-only.txt")));
    // No temporary sibling is left behind.
    QCOMPARE(QDir(m_support + QStringLiteral("/addons"))
                 .entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("Tool.addon")});
}

void tst_PluginInstaller::refusesAWrongKind()
{
    // Named a blog system, but its library is an add-on.
    const QString bundle = plumet::test::makePluginBundle(
        m_source, QStringLiteral("Fake.blogsystem"),
        fixtureLibrary(QStringLiteral("fixture_addon_user")), QStringLiteral("FakeAddon"));
    QVERIFY(!m_installer->install(bundle));
    QMessageBox* failure = m_installer->dialog();
    QVERIFY(failure);
    QCOMPARE(failure->objectName(), QStringLiteral("pluginInstallFailed"));
    QVERIFY(failure->text().contains(QLatin1String("Installation Failed!")));
    QVERIFY(failure->informativeText().contains(
        QLatin1String("the plugin \"Fake.blogsystem\" could not be installed")));
    QVERIFY2(failure->detailedText().contains(QLatin1String("another kind")),
             qPrintable(failure->detailedText()));
    QVERIFY(!QFile::exists(m_support + QStringLiteral("/blogsystems/Fake.blogsystem")));

    // Not a bundle kind at all: one line says so.
    QVERIFY(!m_installer->install(m_source + QStringLiteral("/thing.zip")));
    QCOMPARE(m_installer->dialog()->informativeText(),
             QStringLiteral("The file \"thing.zip\" is not a plug-in bundle."));
    QVERIFY(m_installer->dialog()->detailedText().isEmpty());
}

void tst_PluginInstaller::aFileOfAnyNameIsRefusedInOneShortLine()
{
    // However long the name another program hands over, the alert stays one
    // line of an alert's width; a later refusal takes the earlier one's place.
    const QString name = QString(2000, u'n') + QString::fromUcs4(U"\U0001F600").repeated(500) +
                         QStringLiteral(".txt");
    QVERIFY(!m_installer->install(m_source + QLatin1Char('/') + name));
    QPointer<QMessageBox> first = m_installer->dialog();
    QVERIFY(first);
    const QString said = first->informativeText();
    QVERIFY2(said.size() < 100 && !said.contains(u'\n'), qPrintable(said));
    QVERIFY(said.contains(QChar(0x2026)));
    QVERIFY(said.endsWith(QStringLiteral(".txt\" is not a plug-in bundle.")));
    QVERIFY(!said.toUcs4().contains(0xFFFD));
    first->show();
    QVERIFY2(first->sizeHint().width() < 1000,
             qPrintable(QString::number(first->sizeHint().width())));
    QVERIFY(!m_installer->install(m_source + QStringLiteral("/other.txt")));
    QTRY_VERIFY(!first);
    QVERIFY(m_installer->dialog()->informativeText().contains(QLatin1String("other.txt")));
}

void tst_PluginInstaller::failedCopyKeepsTheOldOne()
{
    const QString folder = m_support + QStringLiteral("/blogsystems");
    QDir().mkpath(folder);
    const QString destination = plumet::test::makePluginBundle(
        folder, QStringLiteral("Old.blogsystem"),
        fixtureLibrary(QStringLiteral("fixture_blog_builtin")), QStringLiteral("FakeBlogSystem"),
        {{QStringLiteral("CFBundleVersion"), QStringLiteral("1")}});
    const QString oldPlist = fileText(destination + QStringLiteral("/Info.plist"));
    // The new copy holds something no copy can take (a named pipe): the copy fails midway.
    const QString bundle = plumet::test::makePluginBundle(
        m_source, QStringLiteral("Old.blogsystem"),
        fixtureLibrary(QStringLiteral("fixture_blog_builtin")), QStringLiteral("FakeBlogSystem"),
        {{QStringLiteral("CFBundleVersion"), QStringLiteral("2")}});
    QVERIFY(::mkfifo(QFile::encodeName(bundle + QStringLiteral("/Resources/pipe")).constData(),
                     0600) == 0);

    QSignalSpy finished(m_installer.get(), &PluginInstaller::finished);
    QVERIFY(m_installer->install(bundle));
    click(m_installer->dialog(), QStringLiteral("Install"));
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().toBool(), false);
    QCOMPARE(m_installer->dialog()->objectName(), QStringLiteral("pluginInstallFailed"));
    // The old copy is there, whole, and nothing half-copied beside it.
    QCOMPARE(fileText(destination + QStringLiteral("/Info.plist")), oldPlist);
    QVERIFY(QFile::exists(destination + QStringLiteral("/libplugin.so")));
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("Old.blogsystem")});

    // A link leading out of the bundle fails the copy the same way.
    QFile::remove(bundle + QStringLiteral("/Resources/pipe"));
    QVERIFY(QFile::link(QStringLiteral("/etc/passwd"), bundle + QStringLiteral("/Resources/out")));
    QString error;
    QVERIFY(!PluginInstaller::replaceBundle(bundle, destination, &error));
    QVERIFY2(error.contains(QLatin1String("leads out")), qPrintable(error));
    QCOMPARE(fileText(destination + QStringLiteral("/Info.plist")), oldPlist);
}

void tst_PluginInstaller::cancelInstallsNothing()
{
    const QString bundle = plumet::test::makePluginBundle(
        m_source, QStringLiteral("Text.formatter"),
        fixtureLibrary(QStringLiteral("fixture_formatter")), QStringLiteral("FakeFormatter"));
    QSignalSpy finished(m_installer.get(), &PluginInstaller::finished);
    if (!m_installer->install(bundle))
        QSKIP("the formatter fixture is not built for this test");
    click(m_installer->dialog(), QStringLiteral("Cancel"));
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().toBool(), false);
    QVERIFY(!QFile::exists(m_support + QStringLiteral("/formatters/Text.formatter")));
}

void tst_PluginInstaller::bundleInItsFolderIsLeftAlone()
{
    const QString folder = m_support + QStringLiteral("/blogsystems");
    QDir().mkpath(folder);
    const QString bundle = plumet::test::makePluginBundle(
        folder, QStringLiteral("Here.blogsystem"),
        fixtureLibrary(QStringLiteral("fixture_blog_builtin")), QStringLiteral("FakeBlogSystem"));
    QVERIFY(m_installer->install(bundle + QLatin1Char('/')));
    QVERIFY(!m_installer->dialog());
    QVERIFY(QFile::exists(bundle + QStringLiteral("/libplugin.so")));
}

QTEST_MAIN(tst_PluginInstaller)
#include "tst_plugininstaller.moc"
