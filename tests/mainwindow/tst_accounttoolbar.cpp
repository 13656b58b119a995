#include "AccountToolbar.h"

#include <QFile>
#include <QTest>

// The accounts window's toolbar as its delegate describes it: which items
// it may hold and holds at first, and each item's words, picture and action.
class tst_AccountToolbar : public QObject {
    Q_OBJECT
private slots:
    void init();
    void allowedAndDefaultItems();
    void items_data();
    void items();
    void deleteAndUpdateNeedASelectedAccount();
    void unknownIdentifierGivesAnEmptyItem();

private:
    std::unique_ptr<AccountToolbar> m_toolbar;
    QStringList m_called;
    bool m_selected = false;
};

void tst_AccountToolbar::init()
{
    m_called.clear();
    m_selected = false;
    m_toolbar = std::make_unique<AccountToolbar>(AccountToolbar::Actions{
        [this] { m_called << QStringLiteral("configureAccount"); },
        [this] { m_called << QStringLiteral("deleteAccount"); },
        [this] { m_called << QStringLiteral("newAccount"); },
        [this] { m_called << QStringLiteral("saveAccount"); },
        [this] { return m_selected; },
    });
}

void tst_AccountToolbar::allowedAndDefaultItems()
{
    QCOMPARE(QLatin1String(AccountToolbar::identifier), QLatin1String("account_toolbar"));
    QCOMPARE(
        m_toolbar->toolbarAllowedItemIdentifiers(),
        (QStringList{"separator", "space", "flexible-space", "accounts-assistant",
                     "accounts-delete", "accounts-new", "accounts-update-cache", "customize"}));
    QCOMPARE(
        m_toolbar->toolbarDefaultItemIdentifiers(),
        (QStringList{"accounts-assistant", "separator", "accounts-new", "accounts-update-cache",
                     "flexible-space", "accounts-delete", "customize"}));
}

void tst_AccountToolbar::items_data()
{
    QTest::addColumn<QString>("identifier");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<QString>("action");
    QTest::newRow("assistant") << "accounts-assistant"
                               << "Assistant"
                               << "Start new account helper"
                               << "configureAccount";
    QTest::newRow("delete") << "accounts-delete"
                            << "Delete"
                            << "Deletes selected account. This is not undoable."
                            << "deleteAccount";
    QTest::newRow("new") << "accounts-new"
                         << "New"
                         << "Create a new account"
                         << "newAccount";
    QTest::newRow("update") << "accounts-update-cache"
                            << "Update"
                            << "Updates account from server"
                            << "saveAccount";
}

void tst_AccountToolbar::items()
{
    QFETCH(QString, identifier);
    QFETCH(QString, label);
    QFETCH(QString, toolTip);
    QFETCH(QString, action);
    const ToolbarItem item = m_toolbar->toolbarItem(identifier);
    QCOMPARE(item.identifier, identifier);
    QCOMPARE(item.label, label);
    QCOMPARE(item.shownInPalette(), label);
    QCOMPARE(item.toolTip, toolTip);
    QVERIFY(!item.icon.isNull());
    // The picture named like the item, for desktops whose theme lacks one.
    QVERIFY(QFile::exists(QStringLiteral(":/mainwindow/toolbar/%1.svg").arg(identifier)));
    QVERIFY(item.action);
    item.action();
    QCOMPARE(m_called, QStringList{action});
}

void tst_AccountToolbar::deleteAndUpdateNeedASelectedAccount()
{
    for (const bool selected : {false, true}) {
        m_selected = selected;
        QCOMPARE(m_toolbar->validateToolbarItem(QStringLiteral("accounts-delete")), selected);
        QCOMPARE(m_toolbar->validateToolbarItem(QStringLiteral("accounts-update-cache")), selected);
        QVERIFY(m_toolbar->validateToolbarItem(QStringLiteral("accounts-new")));
        QVERIFY(m_toolbar->validateToolbarItem(QStringLiteral("accounts-assistant")));
    }
}

void tst_AccountToolbar::unknownIdentifierGivesAnEmptyItem()
{
    QVERIFY(m_toolbar->toolbarItem(QStringLiteral("post-publish")).isEmpty());
}

QTEST_MAIN(tst_AccountToolbar)
#include "tst_accounttoolbar.moc"
