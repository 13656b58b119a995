#pragma once

#include "ShortcutSheet.h"

#include <QMenu>
#include <QPointer>
#include <QWidget>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class UserDefaults;

// Lists the Add-ons menu (add-ons, and their sub-actions below them) with each
// item's shortcut, and records a new shortcut for the chosen item in a sheet.
// Shortcuts are stored in "addon_shortcuts" and put on the menu at once.
class ShortcutListWindow : public QWidget {
    Q_OBJECT
public:
    explicit ShortcutListWindow(UserDefaults& defaults, QWidget* parent = nullptr);

    // The menu listed and given the shortcuts; it may change later.
    void setAddonsMenu(QMenu* menu);
    QMenu* addonsMenu() const { return m_menu; }

    // Shows the list with every add-on's sub-actions visible.
    void showList();
    // Puts the stored shortcuts on the menu and lists them again.
    void applyCustomShortcuts();

    // Opens the recording sheet for the chosen item; an item with a sub-menu
    // has no shortcut of its own and opens none.
    void setShortcut();
    ShortcutSheet* sheet() const { return m_sheet; }

    QTreeWidget* list() const { return m_list; }

private:
    void reload();
    void selectionChanged();
    void sheetFinished(int result, const QString& title);

    UserDefaults& m_defaults;
    QPointer<QMenu> m_menu;
    QTreeWidget* m_list;
    QPushButton* m_shortcutButton;
    QPointer<ShortcutSheet> m_sheet;
};
