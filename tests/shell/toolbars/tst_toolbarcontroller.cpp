#include "ScreenshotSaver.h"
#include "ToolbarConfiguration.h"
#include "ToolbarController.h"
#include "ToolbarCustomizeDialog.h"
#include "ToolbarDelegate.h"
#include "UserDefaults.h"

#include <QAction>
#include <QComboBox>
#include <QListWidget>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

using namespace plumet::test;

namespace {

using namespace ToolbarIdentifiers;

// A window's items: three of its own, one that cannot be made, and a switch
// that says whether "two" can run.
class TestItems : public ToolbarDelegate {
public:
    QStringList allowed{separator, space,   flexibleSpace, "one",
                        "two",     "three", "broken",      customize};
    QStringList defaults{"one", separator, "two", flexibleSpace, customize};
    bool twoEnabled = true;
    QStringList ran;

    QStringList toolbarAllowedItemIdentifiers() const override { return allowed; }
    QStringList toolbarDefaultItemIdentifiers() const override { return defaults; }
    ToolbarItem toolbarItem(const QString& identifier) const override
    {
        ToolbarItem item;
        item.identifier = identifier;
        if (identifier == QLatin1String("broken"))
            return item;
        item.label = identifier.toUpper();
        item.toolTip = QStringLiteral("Does %1").arg(identifier);
        auto* self = const_cast<TestItems*>(this);
        item.action = [self, identifier] { self->ran.append(identifier); };
        return item;
    }
    bool validateToolbarItem(const QString& identifier) const override
    {
        return identifier != QLatin1String("two") || twoEnabled;
    }
};

QStringList shownItems(const ToolbarController& controller)
{
    QStringList shown;
    for (QAction* action : controller.toolBar()->actions()) {
        if (action->isSeparator())
            shown.append(separator);
        else if (!action->objectName().isEmpty())
            shown.append(action->objectName());
        else
            shown.append(QStringLiteral("(space)"));
    }
    return shown;
}

} // namespace

class tst_ToolbarController : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void usableItems_data();
    void usableItems();
    void defaultSetFirst();
    void arrangementIsSavedPerIdentifier();
    void unreadableSavedValueGivesDefaults();
    void itemsRunAndValidate();
    void customizeDialog();
    void reloadDropsItemsNoLongerAllowed();

private:
    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<UserDefaults> defaults;
};

void tst_ToolbarController::init()
{
    folder = std::make_unique<QTemporaryDir>();
    defaults = std::make_unique<UserDefaults>(folder->filePath(QStringLiteral("defaults.conf")));
}

void tst_ToolbarController::cleanup()
{
    defaults.reset();
    folder.reset();
}

void tst_ToolbarController::usableItems_data()
{
    QTest::addColumn<QStringList>("wanted");
    QTest::addColumn<QStringList>("usable");
    const QStringList allowed{separator, space, flexibleSpace, "a", "b", customize};
    QTest::newRow("kept in order")
        << QStringList{"b", "a", customize} << QStringList{"b", "a", customize};
    QTest::newRow("unknown left out") << QStringList{"a", "gone", "b"} << QStringList{"a", "b"};
    QTest::newRow("second a left out") << QStringList{"a", "b", "a"} << QStringList{"a", "b"};
    QTest::newRow("spaces repeat") << QStringList{space, "a", space, separator, separator}
                                   << QStringList{space, "a", space, separator, separator};
    QTest::newRow("customize once") << QStringList{customize, customize} << QStringList{customize};
    QTest::newRow("empty") << QStringList{} << QStringList{};
    Q_UNUSED(allowed);
}

void tst_ToolbarController::usableItems()
{
    QFETCH(QStringList, wanted);
    QFETCH(QStringList, usable);
    const QStringList allowed{separator, space, flexibleSpace, "a", "b", customize};
    QCOMPARE(ToolbarConfiguration::usableItems(wanted, allowed), usable);
}

void tst_ToolbarController::defaultSetFirst()
{
    TestItems items;
    QMainWindow window;
    ToolbarController controller(QStringLiteral("test_toolbar"), items, &window, defaults.get());
    QCOMPARE(controller.itemIdentifiers(), items.defaults);
    QCOMPARE(shownItems(controller), (QStringList{"one", separator, "two", "(space)", customize}));
    QCOMPARE(controller.toolBar()->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    QAction* one = controller.actionForItem(QStringLiteral("one"));
    QVERIFY(one);
    QCOMPARE(one->text(), QStringLiteral("ONE"));
    QCOMPARE(one->toolTip(), QStringLiteral("Does one"));
    // Nothing is written until the user changes something.
    QVERIFY(!ToolbarConfiguration::load(*defaults, QStringLiteral("test_toolbar")));
}

void tst_ToolbarController::arrangementIsSavedPerIdentifier()
{
    TestItems items;
    {
        QMainWindow window;
        ToolbarController controller(QStringLiteral("test_toolbar"), items, &window,
                                     defaults.get());
        controller.setItemIdentifiers({"three", "one", "gone", "one", space});
        controller.setDisplayMode(Qt::ToolButtonIconOnly);
        QCOMPARE(controller.itemIdentifiers(), (QStringList{"three", "one", space}));
    }
    // A second window with the same toolbar shows the user's arrangement...
    QMainWindow again;
    ToolbarController same(QStringLiteral("test_toolbar"), items, &again, defaults.get());
    QCOMPARE(same.itemIdentifiers(), (QStringList{"three", "one", space}));
    QCOMPARE(same.toolBar()->toolButtonStyle(), Qt::ToolButtonIconOnly);
    // ...one with another identifier its own defaults.
    QMainWindow other;
    ToolbarController another(QStringLiteral("other_toolbar"), items, &other, defaults.get());
    QCOMPARE(another.itemIdentifiers(), items.defaults);

    same.resetToDefaultItems();
    QCOMPARE(same.itemIdentifiers(), items.defaults);
    same.setItemIdentifiers({"three", "one", space});

    // The arrangement survives the preferences file.
    const QString file = defaults->filePath();
    defaults.reset();
    UserDefaults reread(file);
    const auto stored = ToolbarConfiguration::load(reread, QStringLiteral("test_toolbar"));
    QVERIFY(stored);
    QCOMPARE(stored->items, (QStringList{"three", "one", space}));
    QCOMPARE(stored->style, Qt::ToolButtonIconOnly);
    QVERIFY(stored->visible);
    defaults = std::make_unique<UserDefaults>(file);
}

void tst_ToolbarController::unreadableSavedValueGivesDefaults()
{
    TestItems items;
    defaults->setValue(QStringLiteral("test_toolbar"), QStringLiteral("not a dictionary"));
    QMainWindow window;
    ToolbarController controller(QStringLiteral("test_toolbar"), items, &window, defaults.get());
    QCOMPARE(controller.itemIdentifiers(), items.defaults);
}

void tst_ToolbarController::itemsRunAndValidate()
{
    TestItems items;
    items.twoEnabled = false;
    QMainWindow window;
    ToolbarController controller(QStringLiteral("test_toolbar"), items, &window, defaults.get());
    controller.setItemIdentifiers({"one", "two", "broken", customize});
    // An item the window cannot make is left out.
    QCOMPARE(shownItems(controller), (QStringList{"one", "two", customize}));
    QAction* two = controller.actionForItem(QStringLiteral("two"));
    QVERIFY(!two->isEnabled());
    items.twoEnabled = true;
    controller.validateVisibleItems();
    QVERIFY(two->isEnabled());
    two->trigger();
    controller.actionForItem(QStringLiteral("one"))->trigger();
    QCOMPARE(items.ran, (QStringList{"two", "one"}));
}

void tst_ToolbarController::customizeDialog()
{
    TestItems items;
    QMainWindow window;
    window.resize(640, 200);
    ToolbarController controller(QStringLiteral("test_toolbar"), items, &window, defaults.get());
    window.show();
    controller.actionForItem(QLatin1String(customize))->trigger();
    ToolbarCustomizeDialog* dialog = controller.customizationPalette();
    QVERIFY(dialog);
    QTRY_VERIFY(dialog->isVisible());
    QCOMPARE(dialog->windowModality(), Qt::WindowModal);
    // Asking again raises the same dialog.
    controller.runCustomizationPalette();
    QCOMPARE(controller.customizationPalette(), dialog);

    QListWidget* available = dialog->availableList();
    QListWidget* current = dialog->toolbarList();
    // The broken item is not offered; the others are, in the window's order.
    QStringList offered;
    for (int row = 0; row < available->count(); ++row)
        offered.append(available->item(row)->data(Qt::UserRole).toString());
    QCOMPARE(offered,
             (QStringList{separator, space, flexibleSpace, "one", "two", "three", customize}));
    // Items in the toolbar cannot be added twice; separators can.
    const auto rowOf = [&](const QString& identifier) { return int(offered.indexOf(identifier)); };
    QVERIFY(!(available->item(rowOf("one"))->flags() & Qt::ItemIsEnabled));
    QVERIFY(available->item(rowOf("three"))->flags() & Qt::ItemIsEnabled);
    QVERIFY(available->item(rowOf(separator))->flags() & Qt::ItemIsEnabled);

    // Add "three" after "one".
    current->setCurrentRow(0);
    available->setCurrentRow(rowOf("three"));
    dialog->addSelectedItem();
    QCOMPARE(controller.itemIdentifiers(),
             (QStringList{"one", "three", separator, "two", flexibleSpace, customize}));
    QCOMPARE(shownItems(controller).at(1), QStringLiteral("three"));
    QVERIFY(!(available->item(rowOf("three"))->flags() & Qt::ItemIsEnabled));
    saveScreenshot(dialog, QStringLiteral("toolbar-customize"));

    // Move it down, then remove "two".
    dialog->moveSelectedItem(1);
    QCOMPARE(controller.itemIdentifiers(),
             (QStringList{"one", separator, "three", "two", flexibleSpace, customize}));
    current->setCurrentRow(3);
    dialog->removeSelectedItems();
    QCOMPARE(controller.itemIdentifiers(),
             (QStringList{"one", separator, "three", flexibleSpace, customize}));
    // A second separator.
    available->setCurrentRow(rowOf(separator));
    current->setCurrentRow(0);
    dialog->addSelectedItem();
    QCOMPARE(controller.itemIdentifiers().count(separator), 2);

    // The display choice.
    QComboBox* display = dialog->findChild<QComboBox*>();
    display->setCurrentIndex(display->findData(int(Qt::ToolButtonTextOnly)));
    emit display->activated(display->currentIndex());
    QCOMPARE(controller.toolBar()->toolButtonStyle(), Qt::ToolButtonTextOnly);

    // Each change was saved at once.
    const auto stored = ToolbarConfiguration::load(*defaults, QStringLiteral("test_toolbar"));
    QVERIFY(stored);
    QCOMPARE(stored->items, controller.itemIdentifiers());
    QCOMPARE(stored->style, Qt::ToolButtonTextOnly);

    dialog->useDefaultSet();
    QCOMPARE(controller.itemIdentifiers(), items.defaults);
    QCOMPARE(current->count(), items.defaults.size());
    dialog->accept();
    QTRY_VERIFY(!controller.customizationPalette());
}

void tst_ToolbarController::reloadDropsItemsNoLongerAllowed()
{
    TestItems items;
    QMainWindow window;
    ToolbarController controller(QStringLiteral("test_toolbar"), items, &window, defaults.get());
    controller.setItemIdentifiers({"one", "three", customize});
    items.allowed.removeAll(QStringLiteral("three"));
    controller.reloadItems();
    QCOMPARE(shownItems(controller), (QStringList{"one", customize}));
}

QTEST_MAIN(tst_ToolbarController)
#include "tst_toolbarcontroller.moc"
