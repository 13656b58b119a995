#include "Account.h"
#include "ApplyToAllBlogs.h"
#include "Blog.h"
#include "UserDefaults.h"

#include <QTemporaryDir>
#include <QTest>

// "Apply to all blogs": which blog's settings reach its siblings, and when.
class tst_ApplyToAllBlogs : public QObject {
    Q_OBJECT
private slots:
    void init();
    void switchingBlogsCopiesTheBlogShownBefore();
    void switchingAccountsCopiesTheNewlyShownBlog();
    void closingCopiesTheBlogShownLast();
    void nothingIsCopiedWhileTheSwitchIsOff();

private:
    std::shared_ptr<Account> accountWithBlogs(const QStringList& zones);
    static QString zone(const std::shared_ptr<Account>& account, int index)
    {
        return account->blogs().at(index)->timeZone();
    }

    QTemporaryDir m_folder;
    std::unique_ptr<UserDefaults> m_defaults;
};

void tst_ApplyToAllBlogs::init()
{
    m_defaults = std::make_unique<UserDefaults>(m_folder.filePath(QStringLiteral("prefs.conf")));
    m_defaults->remove(QStringLiteral("apply_all_blogs"));
    m_defaults->setValue(QStringLiteral("apply_all_blogs"), true);
}

std::shared_ptr<Account> tst_ApplyToAllBlogs::accountWithBlogs(const QStringList& zones)
{
    auto account = Account::create();
    QList<BlogPtr> blogs;
    for (const QString& zone : zones) {
        auto blog = std::make_shared<Blog>();
        blog->setTitle(zone);
        blog->setTimeZone(zone);
        blogs.append(blog);
    }
    account->setBlogs(blogs);
    return account;
}

void tst_ApplyToAllBlogs::switchingBlogsCopiesTheBlogShownBefore()
{
    const auto account = accountWithBlogs({"Europe/Paris", "Asia/Tokyo", "America/Lima"});
    const QList<BlogPtr> blogs = account->blogs();
    ApplyToAllBlogs apply(*m_defaults);
    apply.opened(0);
    // The user changed A (shown) and then chose B: A's settings, not B's, go out.
    blogs.at(0)->setOption(QStringLiteral("commentOption"), false);
    apply.blogChanged(blogs, 1);
    QCOMPARE(zone(account, 1), QStringLiteral("Europe/Paris"));
    QCOMPARE(zone(account, 2), QStringLiteral("Europe/Paris"));
    QCOMPARE(blogs.at(2)->option(QStringLiteral("commentOption")).toBool(), false);
    QCOMPARE(apply.lastBlogIndex(), 1);

    // Now B is the one shown before.
    blogs.at(1)->setTimeZone(QStringLiteral("Africa/Cairo"));
    apply.blogChanged(blogs, 2);
    QCOMPARE(zone(account, 0), QStringLiteral("Africa/Cairo"));
    QCOMPARE(zone(account, 2), QStringLiteral("Africa/Cairo"));
}

void tst_ApplyToAllBlogs::switchingAccountsCopiesTheNewlyShownBlog()
{
    const auto first = accountWithBlogs({"Europe/Paris", "Asia/Tokyo"});
    const auto second = accountWithBlogs({"America/Lima", "Africa/Cairo", "Europe/Oslo"});
    ApplyToAllBlogs apply(*m_defaults);
    apply.opened(1);
    apply.accountChanged(second->blogs(), 0);
    QCOMPARE(zone(second, 1), QStringLiteral("America/Lima"));
    QCOMPARE(zone(second, 2), QStringLiteral("America/Lima"));
    // The account left behind is untouched.
    QCOMPARE(zone(first, 0), QStringLiteral("Europe/Paris"));
    QCOMPARE(zone(first, 1), QStringLiteral("Asia/Tokyo"));
    QCOMPARE(apply.lastBlogIndex(), 0);
}

void tst_ApplyToAllBlogs::closingCopiesTheBlogShownLast()
{
    const auto account = accountWithBlogs({"Europe/Paris", "Asia/Tokyo", "America/Lima"});
    ApplyToAllBlogs apply(*m_defaults);
    apply.opened(2);
    apply.closing(account->blogs());
    QCOMPARE(zone(account, 0), QStringLiteral("America/Lima"));
    QCOMPARE(zone(account, 1), QStringLiteral("America/Lima"));
    // Each blog gets its own copy of the templates.
    QVERIFY(account->blogs().at(0)->richTemplate() != account->blogs().at(2)->richTemplate());
}

void tst_ApplyToAllBlogs::nothingIsCopiedWhileTheSwitchIsOff()
{
    m_defaults->remove(QStringLiteral("apply_all_blogs")); // missing counts as off
    const auto account = accountWithBlogs({"Europe/Paris", "Asia/Tokyo"});
    ApplyToAllBlogs apply(*m_defaults);
    apply.opened(0);
    apply.blogChanged(account->blogs(), 1);
    apply.accountChanged(account->blogs(), 0);
    apply.closing(account->blogs());
    QCOMPARE(zone(account, 0), QStringLiteral("Europe/Paris"));
    QCOMPARE(zone(account, 1), QStringLiteral("Asia/Tokyo"));
}

QTEST_GUILESS_MAIN(tst_ApplyToAllBlogs)
#include "tst_applytoallblogs.moc"
