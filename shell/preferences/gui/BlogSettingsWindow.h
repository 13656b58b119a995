#pragma once

#include "ApplyToAllBlogs.h"

#include <QList>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

class Account;
class Blog;
class BlogCharsetCheck;
class BlogPingsPage;
class BlogTemplatesPage;
class ColorButton;
class DefaultsBinding;
class FontButton;
class NotificationCenter;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class Template;
class UserDefaults;
using AccountPtr = std::shared_ptr<Account>;

// The per-blog Settings window: an account pop-up and the account's blogs on
// the left, the chosen blog's settings on the right, written to the blog as
// they change. Closing hides the window, copies the shown blog's settings to
// its siblings when "apply to all blogs" is on, and saves the accounts. The
// Pings and Templates pages are its BlogPingsPage and BlogTemplatesPage.
class BlogSettingsWindow : public QWidget {
    Q_OBJECT
public:
    BlogSettingsWindow(UserDefaults& defaults, NotificationCenter& center,
                       QWidget* parent = nullptr);
    ~BlogSettingsWindow() override;

    // The accounts the pop-up offers; the shown account stays chosen when it
    // is still among them.
    void setAccounts(const QList<AccountPtr>& accounts);
    // Called when the window closes, after the last settings were applied.
    void setSaveAccounts(std::function<void()> save) { m_saveAccounts = std::move(save); }

    // Shows the window on the account and blog (the account's first blog when
    // `blog` is not one of its blogs).
    void showFor(Account* account, Blog* blog);

    // What the user does with the pop-up and the list.
    void chooseAccount(int index);
    void chooseBlog(int row);

    Account* shownAccount() const;
    Blog* shownBlog() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* makeBlogPage();
    QWidget* makePublishingPage();
    QWidget* makeEditorsPage();

    void fillAccountPopup();
    void fillBlogList();
    QList<std::shared_ptr<Blog>> shownBlogs() const;
    void showBlog();
    void fillTimeZones();
    void fillLanguages();
    void fillFormats();
    void showTemplates();
    void checkEncoding();
    void blogValueChanged(const QString& key);
    // Runs a change to the shown blog without showing it back.
    void edit(const std::function<void(Blog&)>& change);
    void editTemplate(bool rich, const std::function<void(Template&)>& change,
                      const QString& notification);

    UserDefaults& m_defaults;
    NotificationCenter& m_center;
    DefaultsBinding* m_binding;
    ApplyToAllBlogs m_applyToAll;
    BlogCharsetCheck* m_charsetCheck;
    std::function<void()> m_saveAccounts;
    QList<AccountPtr> m_accounts;
    QPointer<Account> m_account;
    QPointer<Blog> m_blog;
    QPointer<Blog> m_observedBlog;
    bool m_writing = false;

    QComboBox* m_accountPopup;
    QListWidget* m_blogList;
    QWidget* m_settings;
    QComboBox* m_timeZonePopup;
    QCheckBox* m_utcMode;
    QComboBox* m_languagePopup;
    QComboBox* m_formatPopup;
    QCheckBox* m_convertEntities;
    QPushButton* m_encodingButton;
    QProgressBar* m_encodingSpinner;
    QLabel* m_encodingMessage;
    QList<QPair<QCheckBox*, QString>> m_optionBoxes;
    BlogPingsPage* m_pingsPage;
    FontButton* m_richFont;
    FontButton* m_htmlFont;
    QComboBox* m_richAlignment;
    QList<QPair<ColorButton*, std::function<void()>>> m_colorShows;
    QPushButton* m_grabCSSButton;
    BlogTemplatesPage* m_templatesPage;
};
