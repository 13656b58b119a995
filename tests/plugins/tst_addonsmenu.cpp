#include "AddonMenu.h"
#include "AddonTesting.h"
#include "UserDefaults.h"

#include <QMenu>

using namespace plumet::test;

class tst_AddonsMenu : public QObject {
    Q_OBJECT

private slots:
    void bothAddonsLoadAsBundles();
    void menuShowsTheirEntries();
    void menuEntryRunsTheAddonInTheDraft();
};

void tst_AddonsMenu::bothAddonsLoadAsBundles()
{
    AddonManager& addons = builtInAddons();
    QVERIFY2(addons.loadErrors().isEmpty(), qPrintable(addons.loadErrors().join('\n')));
    QVERIFY(addons.pluginKeys().contains("Edit With"));
    QVERIFY(addons.pluginKeys().contains("Scripts"));
    QVERIFY(QFileInfo(addons.builtInFolder() + "/edit-with.addon/Info.plist").isFile());
    QVERIFY(QFileInfo(addons.builtInFolder() + "/script-runner.addon/Info.plist").isFile());
}

void tst_AddonsMenu::menuShowsTheirEntries()
{
    UserDefaults::sharedInstance().setValue("rv_editwith_apps",
                                            QVariantMap{{"Shell", "/bin/sh -c true %f"}});
    QDir(scriptsFolder()).removeRecursively();
    writeScript("Tidy up.sh", "cat\n");
    writeScript("capitals.py", "import sys\nsys.stdout.write(sys.stdin.read().upper())\n");

    QMenu menu;
    menu.addSeparator();
    menu.addAction("Add-on Settings…");
    AddonMenu addonMenu(&menu, builtInAddons());
    emit menu.aboutToShow();

    QStringList titles;
    for (QAction* item : menu.actions())
        titles << (item->menu() ? item->menu()->title() : item->text());
    QCOMPARE(titles, (QStringList{"Edit With", "Scripts", "", "Add-on Settings…"}));
    QStringList editors;
    for (QAction* item : menu.actions()[0]->menu()->actions())
        editors << item->text();
    QCOMPARE(editors, QStringList{"Shell"});
    QStringList scripts;
    for (QAction* item : menu.actions()[1]->menu()->actions())
        scripts << item->text();
    QCOMPARE(scripts, (QStringList{"capitals", "Tidy up"}));
}

void tst_AddonsMenu::menuEntryRunsTheAddonInTheDraft()
{
    writeScript("capitals.py", "import sys\nsys.stdout.write(sys.stdin.read().upper())\n");
    QMenu menu;
    AddonMenu addonMenu(&menu, builtInAddons());
    DraftStandIn draft("a quiet word");
    draft.text.select(2, 5);
    connect(&addonMenu, &AddonMenu::addonTriggered, &draft.addons, &DraftAddonHandler::callAddon);
    emit menu.aboutToShow();
    QMenu* scripts = menu.actions()[1]->menu();
    QVERIFY(scripts);
    scripts->actions()[0]->trigger();
    QTRY_COMPARE(draft.ended.count(), 1);
    QCOMPARE(draft.text.text(), QStringLiteral("a QUIET word"));
}

PLUMET_ADDON_TEST_MAIN(tst_AddonsMenu)
#include "tst_addonsmenu.moc"
