#include "Account.h"
#include "AccountList.h"
#include "AddonSettingsWindow.h"
#include "Blog.h"
#include "BlogSettingsWindow.h"
#include "GeneralPreferencesWindow.h"
#include "NotificationCenter.h"
#include "Preferences.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

// The one door to the preferences windows that menus and add-ons use.
class tst_Preferences : public QObject {
    Q_OBJECT
private slots:
    void opensTheWindows();
    void blogSettingsSaveTheAccountsOnClose();
    void quittingClosesTheWindows();
};

void tst_Preferences::opensTheWindows()
{
    Preferences& controller = Preferences::sharedInstance();
    QCOMPARE(&controller, &Preferences::sharedInstance());
    controller.showGeneral();
    QVERIFY(controller.generalWindow()->isVisible());
    controller.generalWindow()->close();
    QVERIFY(!controller.generalWindow()->isVisible());

    // An add-on asks for its page; with no add-on loaded the window still opens.
    NotificationCenter::sharedInstance().post(QStringLiteral("displaySettings"), nullptr,
                                              {{QStringLiteral("key"), QStringLiteral("flickr")}});
    QVERIFY(controller.addonSettingsWindow()->isVisible());
}

void tst_Preferences::blogSettingsSaveTheAccountsOnClose()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("accounts.plist"));
    AccountList accounts;
    auto account = Account::create();
    account->setTitle(QStringLiteral("Work"));
    auto blog = std::make_shared<Blog>();
    blog->setTitle(QStringLiteral("Notes"));
    account->setBlogs({blog});
    accounts.insertAccount(account, 0);

    Preferences& controller = Preferences::sharedInstance();
    controller.setAccountList(&accounts, path);
    controller.showBlogSettings(blog.get());
    BlogSettingsWindow* window = controller.blogSettingsWindow();
    QCOMPARE(window->shownBlog(), blog.get());
    blog->setTimeZone(QStringLiteral("Asia/Tokyo"));
    window->close();
    QVERIFY(QFileInfo::exists(path));

    AccountList reread;
    reread.loadAccounts(path);
    QCOMPARE(reread.accounts().size(), 1);
    QCOMPARE(reread.accounts().first()->blogs().first()->timeZone(), QStringLiteral("Asia/Tokyo"));

    // Without a blog: the first account's first blog.
    controller.showBlogSettings();
    QCOMPARE(window->shownAccount(), account.get());
    QCOMPARE(window->shownBlog(), blog.get());
    window->close();
    controller.setAccountList(nullptr);
}

void tst_Preferences::quittingClosesTheWindows()
{
    Preferences& controller = Preferences::sharedInstance();
    QPointer<GeneralPreferencesWindow> general = controller.generalWindow();
    controller.showGeneral();
    NotificationCenter::sharedInstance().post(QStringLiteral("goingToQuitNotification"));
    QTRY_VERIFY(!general);
    // The next use makes a new one.
    QVERIFY(controller.generalWindow());
}

QTEST_MAIN(tst_Preferences)
#include "tst_preferences.moc"
