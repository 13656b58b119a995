#include "AddonManager.h"
#include "Draft.h"
#include "DraftActions.h"
#include "DraftController.h"
#include "DraftHUD.h"
#include "DraftPanels.h"
#include "DraftTesting.h"
#include "DraftToolbar.h"
#include "RVDraftWindow.h"
#include "StatisticsHUDPanel.h"
#include "ToolbarController.h"

#include <QAction>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

using namespace plumet::test;

namespace {

// A menu add-on whose toolbar icon, sub-actions and description the test sets.
class ToolbarAddon : public QObject, public PLUMETAddonProtocol {
    Q_OBJECT
    Q_INTERFACES(PLUMETAddonProtocol)
public:
    ToolbarAddon(QString key, QString icon, QStringList subActions = {})
        : m_key(std::move(key)), m_icon(std::move(icon)), m_subActions(std::move(subActions))
    {
    }
    QString addonKey() const override { return m_key; }
    int role() const override { return MenuAddon; }
    QString addonDescription() const override { return m_key + QStringLiteral(" does things"); }
    QWidget* preferencesView() override { return nullptr; }
    void processNotification(int, const QVariant&) override {}
    QString toolbarIcon() const override { return m_icon; }
    QStringList subActions() const override { return m_subActions; }
    bool requiresFullText() const override { return false; }
    std::unique_ptr<PLUMETAddonObject> addonRequested(PLUMETAddonHost*, const QString&,
                                                      const QString&) override
    {
        return nullptr;
    }

private:
    QString m_key, m_icon;
    QStringList m_subActions;
};

QStringList list(std::initializer_list<const char*> names)
{
    QStringList result;
    for (const char* name : names)
        result << QString::fromLatin1(name);
    return result;
}

} // namespace

// The draft window's toolbar: its lists, its items, the add-on items and
// their pictures, and items enabled exactly as their menu commands.
class tst_DraftToolbar : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void listsWithoutAddons();
    void listsWithAddonKeys();
    void items_data();
    void items();
    void addonItems_data();
    void addonItems();
    void createSummaryNeedsASummaryField_data();
    void createSummaryNeedsASummaryField();
    void itemsFollowTheirMenuCommands();
    void addonItemsFollowTheAddonMenu();

private:
    QString bundle(const QString& name);
    QString writeIcon(const QString& folder, const QString& name);

    QTemporaryDir m_dir;
    std::unique_ptr<DraftWorld> m_world;
    std::vector<std::unique_ptr<ToolbarAddon>> m_addons;
};

void tst_DraftToolbar::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void tst_DraftToolbar::cleanup()
{
    m_world.reset();
}

QString tst_DraftToolbar::bundle(const QString& name)
{
    const QString path = m_dir.filePath(name + QStringLiteral(".addon"));
    QDir().mkpath(path + QStringLiteral("/Contents/Resources"));
    return path;
}

QString tst_DraftToolbar::writeIcon(const QString& folder, const QString& name)
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::red);
    const QString path = folder + QLatin1Char('/') + name;
    [&] { QVERIFY(image.save(path, "PNG")); }();
    return path;
}

void tst_DraftToolbar::listsWithoutAddons()
{
    const AddonManager addons;
    const DraftToolbar toolbar({}, &addons);
    QCOMPARE(QLatin1String(DraftToolbar::identifier), QLatin1String("draft_toolbar"));
    QCOMPARE(toolbar.toolbarAllowedItemIdentifiers(),
             list({"separator", "space", "flexible-space", "post-custom-tags", "post-summary",
                   "post-adjust-time", "post-trackback", "post-wordcount", "mediabrowser",
                   "customize", "post-publish", "post-save"}));
    // No second separator without an add-on item.
    QCOMPARE(toolbar.toolbarDefaultItemIdentifiers(),
             list({"post-save", "post-publish", "separator", "mediabrowser", "post-summary",
                   "post-adjust-time", "post-trackback", "post-wordcount", "post-custom-tags",
                   "flexible-space", "customize"}));
    QCOMPARE(DraftToolbar({}, nullptr).toolbarDefaultItemIdentifiers(),
             toolbar.toolbarDefaultItemIdentifiers());
}

void tst_DraftToolbar::listsWithAddonKeys()
{
    AddonManager addons;
    const QString folder = bundle(QStringLiteral("Lists"));
    auto zeta = std::make_unique<ToolbarAddon>(
        QStringLiteral("Zeta"), writeIcon(folder + "/Contents/Resources", "zeta.png"));
    auto alpha = std::make_unique<ToolbarAddon>(
        QStringLiteral("Alpha"), writeIcon(folder + "/Contents/Resources", "alpha.png"));
    ToolbarAddon menuOnly(QStringLiteral("MenuOnly"), QString());
    addons.registerPlugin(zeta.get(), folder);
    addons.registerPlugin(&menuOnly, folder);
    addons.registerPlugin(alpha.get(), folder);
    const DraftToolbar toolbar({}, &addons);
    // Add-on keys in load order, only those with an icon.
    QCOMPARE(toolbar.toolbarAllowedItemIdentifiers().mid(12), list({"Zeta", "Alpha"}));
    QCOMPARE(toolbar.toolbarDefaultItemIdentifiers(),
             list({"post-save", "post-publish", "separator", "mediabrowser", "post-summary",
                   "post-adjust-time", "post-trackback", "post-wordcount", "post-custom-tags",
                   "separator", "Zeta", "Alpha", "flexible-space", "customize"}));
    m_addons.push_back(std::move(zeta));
    m_addons.push_back(std::move(alpha));
}

void tst_DraftToolbar::items_data()
{
    QTest::addColumn<QString>("identifier");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("toolTip");
    auto row = [](const char* id, const char* label, const char* tip) {
        QTest::newRow(id) << QString::fromUtf8(id) << QString::fromUtf8(label)
                          << QString::fromUtf8(tip);
    };
    row("post-publish", "Publish", "Publish Draft");
    row("post-save", "Save", "Saves Draft or Post");
    row("post-custom-tags", "Custom Tags", "Edit custom HTML tags");
    row("post-summary", "Create Summary", "Create a summary");
    row("post-adjust-time", "Adjust Time", "Adjust Published Time and Date");
    row("post-trackback", "Trackback", "Manage Trackback URLs");
    row("post-wordcount", "Word Count", "Calculate Text Statistics");
    row("mediabrowser", "Import Media",
        "Import images, sound and movies from iPhoto, Aperture, iTunes");
}

void tst_DraftToolbar::items()
{
    QFETCH(QString, identifier);
    QFETCH(QString, label);
    QFETCH(QString, toolTip);
    QAction command;
    int triggered = 0;
    connect(&command, &QAction::triggered, this, [&] { ++triggered; });
    const DraftToolbar toolbar({{{identifier, &command}}, {}, {}}, nullptr);
    const ToolbarItem item = toolbar.toolbarItem(identifier);
    QCOMPARE(item.identifier, identifier);
    QCOMPARE(item.label, label);
    QCOMPARE(item.paletteLabel, label);
    QCOMPARE(item.toolTip, toolTip);
    QVERIFY(!item.icon.isNull());
    QVERIFY(QFile::exists(QStringLiteral(":/drafts/toolbar/%1.svg").arg(identifier)));
    QVERIFY(item.action);
    item.action();
    QCOMPARE(triggered, 1);
    // A disabled command does not run from its item either.
    command.setEnabled(false);
    QVERIFY(!toolbar.validateToolbarItem(identifier));
    item.action();
    QCOMPARE(triggered, 1);
}

void tst_DraftToolbar::addonItems_data()
{
    QTest::addColumn<QString>("icon"); // relative to the bundle; "/…" absolute
    QTest::addColumn<QString>("content");
    QTest::addColumn<bool>("withSubActions");
    QTest::addColumn<bool>("empty");
    QTest::addColumn<QString>("logged");
    QTest::newRow("good") << "Contents/Resources/icon.png"
                          << "png" << false << false << "";
    QTest::newRow("missing file") << "Contents/Resources/gone.png"
                                  << "" << false << true << "does not exist";
    QTest::newRow("outside its bundle") << "/outside.png"
                                        << "png" << false << true << "outside its bundle";
    QTest::newRow("climbing out") << "Contents/../../outside.png"
                                  << "png" << false << true << "outside its bundle";
    QTest::newRow("over 1 MB") << "Contents/Resources/huge.png"
                               << "huge" << false << true << "larger than 1 MB";
    QTest::newRow("not an image") << "Contents/Resources/notes.png"
                                  << "text" << false << true << "is not an image";
    QTest::newRow("sub-actions") << "Contents/Resources/icon.png"
                                 << "png" << true << true << "has sub-actions";
}

void tst_DraftToolbar::addonItems()
{
    QFETCH(QString, icon);
    QFETCH(QString, content);
    QFETCH(bool, withSubActions);
    QFETCH(bool, empty);
    QFETCH(QString, logged);

    static int serial = 0;
    const QString folder = bundle(QStringLiteral("Addon%1").arg(++serial));
    const QString path = icon.startsWith(QLatin1Char('/'))
                             ? m_dir.filePath(QStringLiteral("outside.png"))
                             : folder + QLatin1Char('/') + icon;
    if (content == QLatin1String("png")) {
        QImage image(16, 16, QImage::Format_ARGB32);
        image.fill(Qt::blue);
        QVERIFY(image.save(path, "PNG"));
    } else if (content == QLatin1String("huge") || content == QLatin1String("text")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QByteArray bytes = content == QLatin1String("huge")
                                     ? QByteArray(DraftToolbar::maximumIconBytes + 1, 'x')
                                     : QByteArray("just some words\n");
        QCOMPARE(file.write(bytes), bytes.size());
    }

    AddonManager addons;
    ToolbarAddon addon(QStringLiteral("Stamp"), path,
                       withSubActions ? QStringList{QStringLiteral("One")} : QStringList());
    addons.registerPlugin(&addon, folder);
    QStringList ran;
    const DraftToolbar toolbar({{}, [&](const QString& key) { ran << key; }, [] { return true; }},
                               &addons);
    if (!logged.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QRegularExpression::escape(logged)));
    const ToolbarItem item = toolbar.toolbarItem(QStringLiteral("Stamp"));
    QCOMPARE(item.isEmpty(), empty);
    if (empty)
        return;
    QCOMPARE(item.label, QStringLiteral("Stamp"));
    QCOMPARE(item.paletteLabel, QStringLiteral("Stamp"));
    QCOMPARE(item.toolTip, QStringLiteral("Stamp does things"));
    QVERIFY(!item.icon.isNull());
    item.action();
    QCOMPARE(ran, QStringList{QStringLiteral("Stamp")});
    // A key that is no add-on's toolbar key gives an empty item.
    QVERIFY(toolbar.toolbarItem(QStringLiteral("Nobody")).isEmpty());
}

void tst_DraftToolbar::createSummaryNeedsASummaryField_data()
{
    QTest::addColumn<bool>("summary");
    QTest::addColumn<bool>("extended");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("neither (0)") << false << false << false;
    QTest::newRow("extended only (1)") << false << true << false;
    QTest::newRow("summary only (2)") << true << false << true;
    QTest::newRow("both (3)") << true << true << true;
}

void tst_DraftToolbar::createSummaryNeedsASummaryField()
{
    QFETCH(bool, summary);
    QFETCH(bool, extended);
    QFETCH(bool, enabled);
    m_world = std::make_unique<DraftWorld>();
    TestBlogSystem system(testProfile(QStringLiteral("Case"), extended, summary, false));
    Account::setPluginLookup([&](const QString& key) -> PLUMETPluginProtocol* {
        return key == "Case" ? &system : nullptr;
    });
    Blog& blog = m_world->addBlog(QStringLiteral("Case"), system);
    Draft* draft = DraftController::sharedInstance().openDraft(
        DraftWorld::addEntry(blog, QStringLiteral("Post"), QStringLiteral("<p>x</p>")));
    QCOMPARE(draft->paneCode(), (summary ? 2 : 0) + (extended ? 1 : 0));
    QCOMPARE(DraftToolbar::canCreateSummary(draft->paneCode()), enabled);
    draft->validateActions();
    QCOMPARE(draft->actions().createSummaryAction()->isEnabled(), enabled);
    QAction* item =
        draft->actions().toolbarController()->actionForItem(QStringLiteral("post-summary"));
    QVERIFY(item);
    QCOMPARE(item->isEnabled(), enabled);
    DraftController::cleanUp();
}

void tst_DraftToolbar::itemsFollowTheirMenuCommands()
{
    m_world = std::make_unique<DraftWorld>();
    Blog& blog = m_world->addBlog(QStringLiteral("Notes"), m_world->full);
    Draft* draft = DraftController::sharedInstance().openDraft(
        DraftWorld::addEntry(blog, QStringLiteral("Post"), QStringLiteral("<p>x</p>")));
    ToolbarController* toolbar = draft->actions().toolbarController();
    QVERIFY(toolbar);
    QCOMPARE(draft->actions().toolbar(), toolbar->toolBar());
    QCOMPARE(toolbar->identifier(), QStringLiteral("draft_toolbar"));
    const QHash<QString, QAction*> commands{
        {QStringLiteral("post-publish"), draft->actions().publishAction()},
        {QStringLiteral("post-custom-tags"), draft->actions().customTagsAction()},
        {QStringLiteral("post-summary"), draft->actions().createSummaryAction()},
        {QStringLiteral("post-adjust-time"), draft->actions().changeDateAction()},
        {QStringLiteral("post-trackback"), draft->actions().manageTrackbackAction()},
        {QStringLiteral("post-wordcount"), draft->actions().wordCountAction()},
    };
    for (auto it = commands.cbegin(); it != commands.cend(); ++it) {
        QAction* item = toolbar->actionForItem(it.key());
        QVERIFY2(item, qPrintable(it.key()));
        QCOMPARE(item->isEnabled(), it.value()->isEnabled());
        for (bool enabled : {false, true, false}) {
            it.value()->setEnabled(enabled);
            QVERIFY2(item->isEnabled() == enabled, qPrintable(it.key()));
        }
    }
    // Publishing is not installed here: its item stays off as the menu's does.
    draft->validateActions();
    QVERIFY(!draft->actions().publishAction()->isEnabled());
    QVERIFY(!toolbar->actionForItem(QStringLiteral("post-publish"))->isEnabled());
    // The media browser stands in the toolbar, off as its menu command.
    QAction* media = toolbar->actionForItem(QStringLiteral("mediabrowser"));
    QVERIFY(media);
    QVERIFY(!media->isEnabled());
    draft->window()->resize(1000, 500);
    saveScreenshot(draft->actions().toolbar(), QStringLiteral("draft-toolbar"));
    // Word Count from the toolbar opens the statistics panel.
    QVERIFY(draft->actions().wordCountAction()->isEnabled());
    toolbar->actionForItem(QStringLiteral("post-wordcount"))->trigger();
    QVERIFY(draft->panels()->hud());
    QCOMPARE(draft->panels()->hud()->shownPanel(),
             static_cast<QWidget*>(draft->panels()->statisticsPanel()));
}

void tst_DraftToolbar::addonItemsFollowTheAddonMenu()
{
    // The toolbar's add-on items are enabled as the Add-ons menu's: an
    // editor in focus, no add-on running.
    AddonManager addons;
    const QString folder = bundle(QStringLiteral("Follow"));
    ToolbarAddon addon(QStringLiteral("Stamp"),
                       writeIcon(folder + "/Contents/Resources", "stamp.png"));
    addons.registerPlugin(&addon, folder);
    bool menuEnabled = false;
    const DraftToolbar toolbar({{}, {}, [&] { return menuEnabled; }}, &addons);
    QVERIFY(!toolbar.validateToolbarItem(QStringLiteral("Stamp")));
    menuEnabled = true;
    QVERIFY(toolbar.validateToolbarItem(QStringLiteral("Stamp")));
}

QTEST_MAIN(tst_DraftToolbar)
#include "tst_drafttoolbar.moc"
