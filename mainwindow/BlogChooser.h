#pragma once

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QString>
#include <functional>

class AccountList;
class Blog;
class QComboBox;

// Asks which blog a post from another program is for: a pop-up of every blog
// of every account (accounts in list order, blogs in account order), the
// first nine reachable by the keys 1 to 9. Window-modal; the answer comes
// through the callback, null for Cancel.
class BlogChooser : public QDialog {
    Q_OBJECT
public:
    struct Item {
        QString title;
        Blog* blog = nullptr;
        QString shortcut; // "1" to "9" for the first nine blogs, else empty
    };
    static QList<Item> items(const AccountList& accounts);

    BlogChooser(const AccountList& accounts, Blog* preselected, QWidget* parent = nullptr);

    // Shows the chooser on `parent`; `done` hears the chosen blog, or null.
    static BlogChooser* choose(const AccountList& accounts, Blog* preselected, QWidget* parent,
                               std::function<void(Blog*)> done);

    QComboBox* menu() const { return m_menu; }
    Blog* chosenBlog() const;

private:
    QComboBox* m_menu;
    QList<QPointer<Blog>> m_blogs;
};
