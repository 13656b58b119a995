#include "MenuHelpers.h"
#include "ViewHelpers.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QVBoxLayout>
#include <memory>

namespace {

std::unique_ptr<QMenu> makeMenu(const QStringList& titles)
{
    auto menu = std::make_unique<QMenu>();
    for (const QString& title : titles)
        menu->addAction(title)->setCheckable(true);
    return menu;
}

QList<int> checkedIndexes(const QMenu& menu)
{
    QList<int> indexes;
    const QList<QAction*> items = menu.actions();
    for (int i = 0; i < items.size(); ++i) {
        if (items[i]->isChecked())
            indexes << i;
    }
    return indexes;
}

QStringList titles(const QMenu& menu)
{
    QStringList texts;
    for (const QAction* item : menu.actions())
        texts << item->text();
    return texts;
}

// "Blogs" with two accounts, each holding blogs in a submenu; "Work" appears twice.
std::unique_ptr<QMenu> makeAccountsMenu()
{
    auto menu = makeMenu({QStringLiteral("None")});
    for (const QString& account :
         {QStringLiteral("Work"), QStringLiteral("Home"), QStringLiteral("Work")}) {
        QMenu* blogs = menu->addMenu(account);
        for (const QString& blog : {QStringLiteral("News"), QStringLiteral("Notes")})
            blogs->addAction(blog);
    }
    return menu;
}

QAction* itemAt(const QMenu& menu, int index, int subindex = -1)
{
    QAction* item = menu.actions().at(index);
    return subindex < 0 ? item : item->menu()->actions().at(subindex);
}

} // namespace

class tst_MenuHelpers : public QObject {
    Q_OBJECT

private slots:
    void selectAtIndex_data();
    void selectAtIndex();
    void selectAtIndexLeavesEmptyMenuAlone();
    void selectedIndexIsZeroWhenNothingChecked();
    void selectByTitleComparesExactly_data();
    void selectByTitleComparesExactly();
    void uncheckReachesSubmenus();
    void selectByTitles_data();
    void selectByTitles();
    void selectionFromMenu();
    void selectionFromMenuLeavesOutputsWhenNothingChecked();
    void selectedTitlesStopAtCheckedSubmenu();
    void removeMenuDeletesOnlyOwnItems();
    void setupMenuBuildsItemsThatReport();
    void setupMenuWithKeyAndPopUp();
    void toggleSubViewsTouchesDirectChildrenOnly();
    void removeSubViewsHandsChildrenBack();
    void firstTextFieldIsLastEditable();
    void centerRect();
};

void tst_MenuHelpers::selectAtIndex_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("checked");
    QTest::newRow("first") << 0 << 0;
    QTest::newRow("last") << 2 << 2;
    QTest::newRow("negative") << -1 << 0;
    QTest::newRow("item count") << 3 << 0;
    QTest::newRow("far past the end") << 1000 << 0;
}

void tst_MenuHelpers::selectAtIndex()
{
    QFETCH(int, index);
    QFETCH(int, checked);
    auto menu = makeMenu({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    menu->actions().at(1)->setChecked(true);
    cutils::selectMenuItemAtIndex(index, menu.get());
    QCOMPARE(checkedIndexes(*menu), QList<int>{checked});
    QCOMPARE(cutils::getSelectedMenuItem(menu.get()), checked);
}

void tst_MenuHelpers::selectAtIndexLeavesEmptyMenuAlone()
{
    QMenu menu;
    cutils::selectMenuItemAtIndex(0, &menu);
    QVERIFY(menu.actions().isEmpty());
    QCOMPARE(cutils::getSelectedMenuItem(&menu), 0);
    QVERIFY(cutils::getSelectedMenuItemTitle(&menu).isNull());
}

void tst_MenuHelpers::selectedIndexIsZeroWhenNothingChecked()
{
    auto menu = makeMenu({QStringLiteral("a"), QStringLiteral("b")});
    QCOMPARE(cutils::getSelectedMenuItem(menu.get()), 0);
    QVERIFY(cutils::getSelectedMenuItemTitle(menu.get()).isNull());
    menu->actions().at(0)->setChecked(true);
    QCOMPARE(cutils::getSelectedMenuItem(menu.get()), 0);
    QCOMPARE(cutils::getSelectedMenuItemTitle(menu.get()), QStringLiteral("a"));
}

void tst_MenuHelpers::selectByTitleComparesExactly_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QList<int>>("checked");
    QTest::newRow("exact") << QStringLiteral("Draft") << QList<int>{1};
    QTest::newRow("first of two") << QStringLiteral("Post") << QList<int>{0};
    QTest::newRow("other case") << QStringLiteral("draft") << QList<int>{};
    QTest::newRow("missing") << QStringLiteral("Page") << QList<int>{};
}

void tst_MenuHelpers::selectByTitleComparesExactly()
{
    QFETCH(QString, title);
    QFETCH(QList<int>, checked);
    auto menu = makeMenu({QStringLiteral("Post"), QStringLiteral("Draft"), QStringLiteral("Post")});
    menu->actions().at(2)->setChecked(true);
    cutils::selectMenuItemWithTitle(title, menu.get());
    QCOMPARE(checkedIndexes(*menu), checked);
}

void tst_MenuHelpers::uncheckReachesSubmenus()
{
    auto menu = makeAccountsMenu();
    cutils::selectMenuItemWithTitles(QStringLiteral("Home"), QStringLiteral("Notes"), menu.get());
    cutils::selectMenuItemWithTitle(QStringLiteral("None"), menu.get());
    QCOMPARE(checkedIndexes(*menu), QList<int>{0});
    QVERIFY(checkedIndexes(*itemAt(*menu, 2)->menu()).isEmpty());
}

void tst_MenuHelpers::selectByTitles_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("subtitle");
    QTest::addColumn<int>("index"); // -1: nothing checked
    QTest::addColumn<int>("subindex");
    QTest::newRow("both found") << "Home"
                                << "Notes" << 2 << 1;
    QTest::newRow("last title wins") << "Work"
                                     << "News" << 3 << 0;
    QTest::newRow("missing subtitle") << "Home"
                                      << "Drafts" << -1 << -1;
    QTest::newRow("missing title") << "Away"
                                   << "News" << -1 << -1;
    QTest::newRow("item without submenu") << "None"
                                          << "News" << -1 << -1;
}

void tst_MenuHelpers::selectByTitles()
{
    QFETCH(QString, title);
    QFETCH(QString, subtitle);
    QFETCH(int, index);
    QFETCH(int, subindex);
    auto menu = makeAccountsMenu();
    cutils::selectMenuItemAtIndex(1, menu.get());
    itemAt(*menu, 1, 1)->setCheckable(true);
    itemAt(*menu, 1, 1)->setChecked(true);

    QAction* found = cutils::selectMenuItemWithTitles(title, subtitle, menu.get());

    int gotIndex = -1;
    int gotSubindex = -1;
    cutils::getSelectionFromMenu(menu.get(), gotIndex, gotSubindex);
    QCOMPARE(gotIndex, index);
    QCOMPARE(gotSubindex, subindex);
    QCOMPARE(found, index < 0 ? nullptr : itemAt(*menu, index, subindex));
    QVERIFY(checkedIndexes(*itemAt(*menu, 1)->menu()).isEmpty());
}

void tst_MenuHelpers::selectionFromMenu()
{
    auto menu = makeAccountsMenu();
    cutils::selectMenuItemAtIndex(2, menu.get());
    int index = -1;
    int subindex = 7;
    cutils::getSelectionFromMenu(menu.get(), index, subindex);
    QCOMPARE(index, 2);
    QCOMPARE(subindex, 7); // nothing checked in the submenu

    cutils::selectMenuItemWithTitles(QStringLiteral("Home"), QStringLiteral("Notes"), menu.get());
    cutils::getSelectionFromMenu(menu.get(), index, subindex);
    QCOMPARE(index, 2);
    QCOMPARE(subindex, 1);
}

void tst_MenuHelpers::selectionFromMenuLeavesOutputsWhenNothingChecked()
{
    auto menu = makeAccountsMenu();
    int index = 5;
    int subindex = 6;
    cutils::getSelectionFromMenu(menu.get(), index, subindex);
    QCOMPARE(index, 5);
    QCOMPARE(subindex, 6);
    QString title = QStringLiteral("old");
    QString subtitle = QStringLiteral("old");
    cutils::getSelectedTitlesFromMenu(menu.get(), title, subtitle);
    QCOMPARE(title, QStringLiteral("old"));
    QCOMPARE(subtitle, QStringLiteral("old"));
}

void tst_MenuHelpers::selectedTitlesStopAtCheckedSubmenu()
{
    auto menu = makeAccountsMenu();
    // Several checked items: "None", then "Home" with "News" checked, then the last "Work".
    for (int index : {0, 2, 3}) {
        itemAt(*menu, index)->setCheckable(true);
        itemAt(*menu, index)->setChecked(true);
    }
    itemAt(*menu, 2, 0)->setCheckable(true);
    itemAt(*menu, 2, 0)->setChecked(true);

    QString title;
    QString subtitle;
    cutils::getSelectedTitlesFromMenu(menu.get(), title, subtitle);
    QCOMPARE(title, QStringLiteral("Home"));
    QCOMPARE(subtitle, QStringLiteral("News"));
}

void tst_MenuHelpers::removeMenuDeletesOnlyOwnItems()
{
    QAction shared(QStringLiteral("Shared"));
    auto menu = makeAccountsMenu();
    menu->addAction(&shared);
    const QPointer<QAction> own = itemAt(*menu, 1);
    const QPointer<QMenu> submenu = itemAt(*menu, 1)->menu();

    cutils::removeMenu(menu.get(), true);
    QCOMPARE(titles(*menu), QStringList{QStringLiteral("None")});
    QVERIFY(own.isNull());
    QVERIFY(submenu.isNull());
    QCOMPARE(shared.text(), QStringLiteral("Shared")); // still alive, only taken out

    cutils::removeMenu(menu.get(), false);
    QVERIFY(menu->actions().isEmpty());
}

void tst_MenuHelpers::setupMenuBuildsItemsThatReport()
{
    auto menu = makeMenu({QStringLiteral("Choose…"), QStringLiteral("stale")});
    QList<QAction*> chosen;
    const int count =
        cutils::setupMenu({QStringLiteral("Hourly"), QStringLiteral("Daily")}, menu.get(), true,
                          [&chosen](QAction* item) { chosen << item; });
    QCOMPARE(count, 2);
    QCOMPARE(titles(*menu), (QStringList{QStringLiteral("Choose…"), QStringLiteral("Hourly"),
                                         QStringLiteral("Daily")}));
    QVERIFY(menu->actions().at(2)->shortcut().isEmpty());

    menu->actions().at(2)->trigger();
    QCOMPARE(chosen, QList<QAction*>{menu->actions().at(2)});

    QCOMPARE(cutils::setupMenu({}, menu.get(), false, {}), 0);
    QVERIFY(menu->actions().isEmpty());
}

void tst_MenuHelpers::setupMenuWithKeyAndPopUp()
{
    const QVariantList pings{
        QVariantMap{{QStringLiteral("title"), QStringLiteral("Ping-o-Matic")}},
        QVariantMap{{QStringLiteral("url"), QStringLiteral("http://example.org/")}},
        QVariantMap{{QStringLiteral("title"), QStringLiteral("Weblogs")}},
    };

    auto menu = makeMenu({QStringLiteral("old")});
    QCOMPARE(cutils::setupMenuWithKey(pings, QStringLiteral("title"), menu.get(), false, {}), 3);
    QCOMPARE(titles(*menu),
             (QStringList{QStringLiteral("Ping-o-Matic"), QString(), QStringLiteral("Weblogs")}));

    QComboBox popUp;
    popUp.addItems({QStringLiteral("All"), QStringLiteral("old 1"), QStringLiteral("old 2")});
    QCOMPARE(cutils::setupPopUpMenuWithKey(pings, QStringLiteral("title"), &popUp, true), 3);
    QStringList items;
    for (int i = 0; i < popUp.count(); ++i)
        items << popUp.itemText(i);
    QCOMPARE(items, (QStringList{QStringLiteral("All"), QStringLiteral("Ping-o-Matic"), QString(),
                                 QStringLiteral("Weblogs")}));
}

void tst_MenuHelpers::toggleSubViewsTouchesDirectChildrenOnly()
{
    QWidget view;
    auto* child = new QWidget(&view);
    auto* grandchild = new QLabel(child);
    cutils::toggleSubViewVisibility(&view, true);
    QVERIFY(child->isHidden());
    QVERIFY(!grandchild->isHidden());
    cutils::toggleSubViewVisibility(&view, false);
    QVERIFY(!child->isHidden());
}

void tst_MenuHelpers::removeSubViewsHandsChildrenBack()
{
    QMainWindow window;
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    auto* label = new QLabel(QStringLiteral("step 1"));
    auto* field = new QLineEdit;
    layout->addWidget(label);
    layout->addWidget(field);
    window.setCentralWidget(content);

    const QList<QWidget*> removed = cutils::removeSubViews(&window);
    const std::unique_ptr<QWidget> ownLabel(label);
    const std::unique_ptr<QWidget> ownField(field);
    QCOMPARE(removed, (QList<QWidget*>{label, field}));
    QCOMPARE(label->parent(), nullptr);
    QCOMPARE(layout->count(), 0);
    QVERIFY(content->findChildren<QWidget*>().isEmpty());

    layout->addWidget(label); // they can go back
    QCOMPARE(label->parentWidget(), content);
}

void tst_MenuHelpers::firstTextFieldIsLastEditable()
{
    QWidget view;
    auto* first = new QLineEdit(&view);
    auto* second = new QLineEdit(&view);
    auto* readOnly = new QLineEdit(&view);
    readOnly->setReadOnly(true);
    new QLabel(&view);
    auto* nested = new QWidget(&view);
    new QLineEdit(nested);

    QCOMPARE(cutils::getFirstTextField(&view), second);
    delete second;
    QCOMPARE(cutils::getFirstTextField(&view), first);
    QCOMPARE(cutils::getFirstTextField(nested)->parentWidget(), nested);
    QCOMPARE(cutils::getFirstTextField(readOnly), nullptr);
}

void tst_MenuHelpers::centerRect()
{
    QCOMPARE(cutils::centerRect(QSizeF(10, 5), QRectF(100, 200, 30, 20)),
             QRectF(110, 207.5, 10, 5));
    QCOMPARE(cutils::centerRect(QSizeF(40, 30), QRectF(0, 0, 20, 10)), QRectF(-10, -10, 40, 30));
}

QTEST_MAIN(tst_MenuHelpers)
#include "tst_menuhelpers.moc"
