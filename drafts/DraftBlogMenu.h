// The blog menu of a draft window, which moves the post to another blog, and its format pop-up.
#pragma once

#include "ModelTypes.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class Blog;
class Draft;
class QAction;
class QComboBox;
class QMenu;
class QToolButton;

// The blog row's menu button: one item per account that has blogs, each
// with a submenu of its blogs, the entry's blog ticked. Choosing another
// blog moves the post there (switchAccount). While the menu is open,
// Ctrl+1 to Ctrl+9 choose the first nine blogs of the whole menu; they are
// no shortcuts of the window, where those keys mean other things.
//
// The move: the editors are committed, the post moves as last saved (a
// published post, after the user agreed, leaves a new unpublished post
// there and stays as it is), and the window follows it keeping the edits
// not yet saved, so that Don't Save and Revert still go back. An entry
// being published or deleted is not moved.
//
// The format pop-up lists "None" and the account's formats, one item per
// title. Part of the Draft.
class DraftBlogMenu : public QObject {
    Q_OBJECT
public:
    explicit DraftBlogMenu(Draft& draft);
    ~DraftBlogMenu() override;

    // Takes the blog button and the format pop-up of the window.
    void build(QToolButton* button, QComboBox* formatPopup);
    QToolButton* button() const;
    QMenu* menu() const;
    // The blog items, in menu order.
    QList<QAction*> blogItems() const;

    // The menu anew from the accounts, then the format pop-up.
    void setupBlogMenu();
    void setupFormatMenu();
    // The entry takes the format of the pop-up's item `index`.
    void selectFormat(int index);
    bool hasFormats() const;

    // Moves the post to `target`, asking first for a published post.
    void switchAccount(Blog* target);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void chosen(Blog* target, const QString& name);
    void tickCurrentBlog();
    void refuse(const QString& title, const QString& message);
    // After the commit: the post moves and the window follows.
    void moveTo(Blog* target);

    Draft& m_draft;
    QPointer<QToolButton> m_button;
    QPointer<QComboBox> m_formatPopup;
    QPointer<QMenu> m_menu; // goes with the window
    bool m_switching = false;
};
