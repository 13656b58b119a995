#include "Account.h"
#include "AccountList.h"
#include "Blog.h"
#include "ImportWindow.h"
#include "ScreenshotSaver.h"

#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QProgressBar>
#include <QTest>
#include <QToolButton>

using namespace plumet::test;

// The import of the previous version's entries into a blog of an account.
class tst_ImportWindow : public QObject {
    Q_OBJECT
private slots:
    void importsTheChosenGroupIntoTheChosenBlog();
};

namespace {

QVariant post(int id, const char* blogName, const char* url)
{
    return QVariantMap{{"postid", id},
                       {"title", QStringLiteral("Post %1").arg(id)},
                       {"description", "text"},
                       {"blogname", QString::fromUtf8(blogName)},
                       {"url", QString::fromUtf8(url)}};
}

} // namespace

void tst_ImportWindow::importsTheChosenGroupIntoTheChosenBlog()
{
    AccountList accounts;
    AccountPtr account = Account::create();
    account->setTitle(QStringLiteral("Work"));
    auto diary = std::make_shared<Blog>();
    diary->setUniqueID(QStringLiteral("7"));
    diary->setDisplayName(QStringLiteral("Diary"));
    account->addBlog(diary);
    accounts.insertAccount(account, -1);
    // An account without blogs is not offered.
    AccountPtr empty = Account::create();
    empty->setTitle(QStringLiteral("Empty"));
    accounts.insertAccount(empty, -1);

    ImportWindow window(accounts);
    // Nothing to import: no window.
    window.handleOldPlumet({});
    QVERIFY(!window.isVisible());

    const QVariantList entries{post(1, "notes", "http://n.example/"),
                               post(2, "Diary", "http://d.example/"),
                               post(3, "notes", "http://n.example/"),
                               QVariantMap{{"postid", 4}, {"title", "no blog name"}}};
    window.handleOldPlumet(entries);
    QVERIFY(window.isVisible());
    QCOMPARE(window.importPopup()->count(), 2);
    QCOMPARE(window.importPopup()->itemText(0), QStringLiteral("Diary (http://d.example/)"));
    QCOMPARE(window.importPopup()->itemText(1), QStringLiteral("notes (http://n.example/)"));
    QCOMPARE(window.accountPopup()->menu()->actions().size(), 1);
    // While it shows, another list is not taken.
    window.handleOldPlumet({post(9, "other", "http://o.example/")});
    QCOMPARE(window.importPopup()->count(), 2);

    // Without a chosen blog nothing is imported.
    QCOMPARE(window.importAction(), -1);
    window.toggleBlog(diary.get());
    QCOMPARE(window.targetBlog(), diary.get());
    QVERIFY(window.accountPopup()->menu()->actions().first()->isChecked());
    window.importPopup()->setCurrentIndex(1);
    saveScreenshot(&window, QStringLiteral("import-window"));
    QCOMPARE(window.importAction(), 2);
    QCOMPARE(diary->entries().size(), 2);
    QCOMPARE(window.importProgress()->maximum(), 2);
    // Another group follows; the same group again adds nothing.
    window.importPopup()->setCurrentIndex(0);
    QCOMPARE(window.importAction(), 1);
    QCOMPARE(window.importAction(), 0);
    QCOMPARE(diary->entries().size(), 3);

    window.importDone();
    QVERIFY(!window.isVisible());
    QVERIFY(window.groups().isEmpty());
}

QTEST_MAIN(tst_ImportWindow)
#include "tst_importwindow.moc"
