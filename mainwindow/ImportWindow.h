#pragma once

#include <QMap>
#include <QPointer>
#include <QVariantList>
#include <QWidget>

class AccountList;
class Blog;
class QAction;
class QComboBox;
class QMenu;
class QProgressBar;
class QPushButton;
class QToolButton;

// The import of the previous version's entries: the user picks one of the
// groups (one per blog they came from) and the blog of an account they go
// to, and imports; several groups may follow one another. Done closes it.
class ImportWindow : public QWidget {
    Q_OBJECT
public:
    explicit ImportWindow(AccountList& accounts, QWidget* parent = nullptr);
    ~ImportWindow() override;

    // Groups the entries and shows the window; nothing for an empty list or
    // while the window shows.
    void handleOldPlumet(const QVariantList& entries);

    // The blog chosen in the account pop-up's menus; null when none is.
    Blog* targetBlog() const;
    // Chooses a blog (as its menu item does).
    void toggleBlog(Blog* blog);
    // Imports the chosen group into the chosen blog; answers how many
    // entries were added (-1 when no group or blog is chosen).
    int importAction();
    void importDone();

    QComboBox* importPopup() const { return m_importPopup; }
    QToolButton* accountPopup() const { return m_accountPopup; }
    QProgressBar* importProgress() const { return m_progress; }
    const QMap<QString, QVariantList>& groups() const { return m_groups; }

private:
    void rebuildAccountMenu();

    AccountList& m_accounts;
    QMap<QString, QVariantList> m_groups;
    QComboBox* m_importPopup;
    QToolButton* m_accountPopup;
    QMenu* m_accountMenu;
    QProgressBar* m_progress;
    QPushButton* m_importButton;
    QPointer<Blog> m_target;
};
