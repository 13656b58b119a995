#pragma once

#include <QHash>
#include <QKeySequence>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class AddonMenu;
class AppControl;
class BlogController;
class QAction;
class QMenu;
class QMenuBar;

// The program's menus on the main window's menu bar and the rules that
// enable their items. A disabled item swallows its shortcut, so the states
// are brought up to date whenever a menu opens, the focus moves to another
// widget or window, the outline's or the entries' selection changes, or the
// accounts change, not only when a menu is shown.
//
// Until the start-up has finished (AppControl::hasInited) every item is
// disabled. Then, by item:
//   Use HTML Editor / Use Rich Editor     always; the title follows "usesHTMLEditor"
//   Find items                            the find panel is the active window, or the
//                                         focus is in a web view
//   Replace items                         as Find, in a view that can replace, and the
//                                         search string is not empty
//   Select All                            the focused widget can select all
//   Save As Stationery…                   a draft window is the active window
//   Blog Settings…, Retrieve Posts, View in Browser, New Draft, New Draft
//   from Clipboard                        an account with a blog exists
//   Retrieve Pages, New Page              also: the selected account supports pages
//   anything else                         always
class AppMenus : public QObject {
    Q_OBJECT
public:
    AppMenus(AppControl& control, BlogController& window, QObject* parent = nullptr);
    ~AppMenus() override;

    // The item of an identifier ("newDraft", "quit", "selectAll", …), or null.
    QAction* action(const QString& identifier) const { return m_actions.value(identifier); }
    QMenu* menu(const QString& identifier) const { return m_menus.value(identifier); }

    // Applies the rules above to every item now.
    void validate();

private:
    QAction* add(QMenu* menu, const QString& identifier, const QString& text,
                 const QKeySequence& shortcut, std::function<void()> handler);
    QMenu* addMenu(QMenuBar* bar, const QString& identifier, const QString& title);
    void buildFile(QMenuBar* bar);
    void buildEdit(QMenuBar* bar);
    void buildBlog(QMenuBar* bar);
    void buildAccounts(QMenuBar* bar);
    void buildAddons(QMenuBar* bar);
    void buildWindow(QMenuBar* bar);
    void buildHelp(QMenuBar* bar);

    AppControl& m_control;
    QPointer<BlogController> m_window;
    QHash<QString, QAction*> m_actions;
    QHash<QString, QMenu*> m_menus;
    AddonMenu* m_addonItems = nullptr;
    bool m_validating = false;
};
