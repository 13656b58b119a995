#include "AddonSettingsWindow.h"
#include "ScreenshotSaver.h"
#include "ShortcutListWindow.h"
#include "ShortcutSheet.h"
#include "UserDefaults.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace plumet::test;

// The add-on settings window and the shortcut list with its recording sheet.
class tst_AddonSettings : public QObject {
    Q_OBJECT
private slots:
    void init();
    void pagesFollowThePopup();
    void displaySettingsChoosesThePage();
    void listShowsTheMenuButItsOwnCommands();
    void recordingAShortcut();
    void escapeLeavesTheShortcutAndSpaceClearsIt();
    void aRowWithASubmenuOpensNoSheet();
    void screenshots();

private:
    void record(ShortcutListWindow& window, const QString& title,
                const std::function<void(ShortcutSheet*)>& keys);
    QTreeWidgetItem* row(ShortcutListWindow& window, const QString& title);

    QTemporaryDir m_folder;
    std::unique_ptr<UserDefaults> m_defaults;
    std::unique_ptr<QMenu> m_menu;
    QAction* m_editWith = nullptr;
    QAction* m_wordCount = nullptr;
    QAction* m_shortcutsCommand = nullptr;
};

void tst_AddonSettings::init()
{
    QFile::remove(m_folder.filePath(QStringLiteral("prefs.conf")));
    m_defaults = std::make_unique<UserDefaults>(m_folder.filePath(QStringLiteral("prefs.conf")));
    m_menu = std::make_unique<QMenu>(QStringLiteral("Add-ons"));
    m_editWith = m_menu->addAction(QStringLiteral("&Edit With"));
    QMenu* scripts = m_menu->addMenu(QStringLiteral("Scripts"));
    scripts->addAction(QStringLiteral("Sort Lines"));
    m_wordCount = scripts->addAction(QStringLiteral("Word Count"));
    m_menu->addSeparator();
    m_menu->addAction(QStringLiteral("Add-on Settings…"));
    m_shortcutsCommand = m_menu->addAction(QStringLiteral("Shortcuts…"));
    m_shortcutsCommand->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
}

void tst_AddonSettings::pagesFollowThePopup()
{
    QLabel flickr(QStringLiteral("Flickr page")), edit(QStringLiteral("Edit With page"));
    {
        AddonSettingsWindow window(
            {{QStringLiteral("flickr"), &flickr}, {QStringLiteral("Edit With"), &edit}});
        QCOMPARE(window.keys(), (QStringList{"Edit With", "flickr"})); // sorted, any case
        QCOMPARE(window.selectedAddon(), -1);
        window.addonSettings();
        QCOMPARE(window.selectedAddon(), 0);
        QVERIFY(edit.isVisible());
        auto* popup = window.findChild<QComboBox*>(QStringLiteral("addonPopup"));
        popup->setCurrentIndex(1);
        emit popup->activated(1);
        QCOMPARE(window.selectedAddon(), 1);
        QVERIFY(flickr.isVisible());
        QVERIFY(!edit.isVisible());
        QVERIFY(edit.parentWidget() != window.findChild<QWidget*>(QStringLiteral("addonPage")));
        // Shown again, the window keeps the page it had.
        window.close();
        window.addonSettings();
        QCOMPARE(window.selectedAddon(), 1);
    }
    // The pages belong to their add-ons and outlive the window.
    QCOMPARE(flickr.text(), QStringLiteral("Flickr page"));
    QVERIFY(!flickr.parentWidget());
}

void tst_AddonSettings::displaySettingsChoosesThePage()
{
    QLabel flickr(QStringLiteral("Flickr")), edit(QStringLiteral("Edit With"));
    AddonSettingsWindow window(
        {{QStringLiteral("flickr"), &flickr}, {QStringLiteral("Edit With"), &edit}});
    window.displaySettings(QStringLiteral("flickr"));
    QCOMPARE(window.selectedAddon(), 1);
    QVERIFY(window.isVisible());
    // A key without a page changes nothing: the page shown stays.
    window.displaySettings(QStringLiteral("No Such Add-on"));
    QCOMPARE(window.selectedAddon(), 1);
    QVERIFY(flickr.isVisible());
    // Without a key: the first page.
    window.displaySettings();
    QCOMPARE(window.selectedAddon(), 0);
}

QTreeWidgetItem* tst_AddonSettings::row(ShortcutListWindow& window, const QString& title)
{
    const QList<QTreeWidgetItem*> found =
        window.list()->findItems(title, Qt::MatchExactly | Qt::MatchRecursive, 0);
    return found.isEmpty() ? nullptr : found.first();
}

void tst_AddonSettings::listShowsTheMenuButItsOwnCommands()
{
    ShortcutListWindow window(*m_defaults);
    window.setAddonsMenu(m_menu.get());
    window.showList();
    QTreeWidget* list = window.list();
    QCOMPARE(list->topLevelItemCount(), 2);
    QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("Edit With"));
    QTreeWidgetItem* scripts = list->topLevelItem(1);
    QCOMPARE(scripts->childCount(), 2);
    QVERIFY(scripts->isExpanded());
    QVERIFY(!row(window, QStringLiteral("Shortcuts…")));
    // Applying the stored shortcuts leaves the menu's own commands alone.
    QCOMPARE(m_shortcutsCommand->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Comma));
}

void tst_AddonSettings::record(ShortcutListWindow& window, const QString& title,
                               const std::function<void(ShortcutSheet*)>& keys)
{
    window.list()->setCurrentItem(row(window, title));
    auto* button = window.findChild<QPushButton*>(QStringLiteral("shortcutButton"));
    QVERIFY(button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
    ShortcutSheet* sheet = window.sheet();
    QVERIFY(sheet);
    QVERIFY(sheet->isVisible());
    QCOMPARE(sheet->windowModality(), Qt::WindowModal);
    keys(sheet);
    QTRY_VERIFY(!window.sheet());
}

void tst_AddonSettings::recordingAShortcut()
{
    ShortcutListWindow window(*m_defaults);
    window.setAddonsMenu(m_menu.get());
    window.showList();
    record(window, QStringLiteral("Edit With"), [](ShortcutSheet* sheet) {
        QTest::keyClick(sheet, Qt::Key_J, Qt::ControlModifier);
        QTest::keyClick(sheet, Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
        QTest::keyClick(sheet, Qt::Key_Return);
    });
    const QVariantMap stored = m_defaults->value(QStringLiteral("addon_shortcuts")).toMap();
    QCOMPARE(stored.value(QStringLiteral("Edit With")).toString(), QString::fromUtf8("⌘⇧K"));
    QCOMPARE(m_editWith->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K));
    QCOMPARE(row(window, QStringLiteral("Edit With"))->text(1),
             QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K).toString(QKeySequence::NativeText));

    // A sub-action gets its own, through the OK button this time.
    record(window, QStringLiteral("Word Count"), [](ShortcutSheet* sheet) {
        QTest::keyClick(sheet, Qt::Key_F5, Qt::AltModifier);
        sheet->accept();
    });
    QCOMPARE(m_wordCount->shortcut(), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_F5));
    QCOMPARE(m_editWith->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K));

    // Stored shortcuts reach a menu given later (the next start).
    QMenu fresh;
    QAction* again = fresh.addAction(QStringLiteral("Edit With"));
    fresh.addAction(QStringLiteral("Add-on Settings…"));
    fresh.addAction(QStringLiteral("Shortcuts…"));
    ShortcutListWindow later(*m_defaults);
    later.setAddonsMenu(&fresh);
    QCOMPARE(again->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K));
}

void tst_AddonSettings::escapeLeavesTheShortcutAndSpaceClearsIt()
{
    m_defaults->setValue(QStringLiteral("addon_shortcuts"),
                         QVariantMap{{QStringLiteral("Edit With"), QString::fromUtf8("⌘E")}});
    ShortcutListWindow window(*m_defaults);
    window.setAddonsMenu(m_menu.get());
    window.showList();
    QCOMPARE(m_editWith->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));

    const QVariant before = m_defaults->value(QStringLiteral("addon_shortcuts"));
    record(window, QStringLiteral("Edit With"), [](ShortcutSheet* sheet) {
        QTest::keyClick(sheet, Qt::Key_Q, Qt::ControlModifier);
        QTest::keyClick(sheet, Qt::Key_Escape);
    });
    QCOMPARE(m_defaults->value(QStringLiteral("addon_shortcuts")), before);
    QCOMPARE(m_editWith->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));

    record(window, QStringLiteral("Edit With"), [](ShortcutSheet* sheet) {
        QTest::keyClick(sheet, Qt::Key_Space);
        QCOMPARE(sheet->stored(), QString());
        QTest::keyClick(sheet, Qt::Key_Enter, Qt::KeypadModifier);
    });
    const QVariantMap stored = m_defaults->value(QStringLiteral("addon_shortcuts")).toMap();
    QVERIFY(stored.contains(QStringLiteral("Edit With")));
    QCOMPARE(stored.value(QStringLiteral("Edit With")).toString(), QString());
    QVERIFY(m_editWith->shortcut().isEmpty());
}

void tst_AddonSettings::aRowWithASubmenuOpensNoSheet()
{
    ShortcutListWindow window(*m_defaults);
    window.setAddonsMenu(m_menu.get());
    window.showList();
    QTreeWidgetItem* scripts = row(window, QStringLiteral("Scripts"));
    window.list()->setCurrentItem(scripts);
    QVERIFY(!window.findChild<QPushButton*>(QStringLiteral("shortcutButton"))->isEnabled());
    emit window.list()->itemDoubleClicked(scripts, 0);
    QVERIFY(!window.sheet());
    window.setShortcut();
    QVERIFY(!window.sheet());
}

void tst_AddonSettings::screenshots()
{
    QLabel page(QStringLiteral("The add-on's own settings page"));
    page.setMinimumSize(360, 120);
    page.setAlignment(Qt::AlignCenter);
    AddonSettingsWindow settings({{QStringLiteral("Edit With"), &page}});
    settings.addonSettings();
    QVERIFY(QTest::qWaitForWindowExposed(&settings));
    saveScreenshot(&settings, QStringLiteral("addon-settings"));

    m_defaults->setValue(QStringLiteral("addon_shortcuts"),
                         QVariantMap{{QStringLiteral("Edit With"), QString::fromUtf8("⌘⇧E")},
                                     {QStringLiteral("Word Count"), QString::fromUtf8("⌘⌥F5")}});
    ShortcutListWindow window(*m_defaults);
    window.setAddonsMenu(m_menu.get());
    window.showList();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    saveScreenshot(&window, QStringLiteral("addon-shortcuts"));
    window.list()->setCurrentItem(row(window, QStringLiteral("Edit With")));
    window.setShortcut();
    QVERIFY(window.sheet());
    QTest::keyClick(window.sheet(), Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(QTest::qWaitForWindowExposed(window.sheet()));
    saveScreenshot(window.sheet(), QStringLiteral("shortcut-sheet"));
    window.sheet()->reject();
}

QTEST_MAIN(tst_AddonSettings)
#include "tst_addonsettings.moc"
