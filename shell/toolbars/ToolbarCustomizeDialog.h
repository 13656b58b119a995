#pragma once

#include <QDialog>

class QComboBox;
class QListWidget;
class QPushButton;
class ToolbarController;

// The sheet in which the user arranges a toolbar: the items the window
// allows on the left, the toolbar's items in order on the right, buttons to
// add, remove and move them (or drag them within the toolbar list, or
// double-click an item to add it), how the buttons show, and the default set.
// Every change shows in the toolbar at once and is saved.
class ToolbarCustomizeDialog : public QDialog {
    Q_OBJECT
public:
    ToolbarCustomizeDialog(ToolbarController& controller, QWidget* parent = nullptr);

    // Lists the allowed and the shown items again.
    void reload();

    QListWidget* availableList() const { return m_available; }
    QListWidget* toolbarList() const { return m_current; }

    // The actions of the buttons, for the keyboard and for tests.
    void addSelectedItem();
    void removeSelectedItems();
    void moveSelectedItem(int by);
    void useDefaultSet();

private:
    void fillToolbarList(int selectRow);
    void takeOrderFromList();
    void updateButtons();
    QStringList currentItems() const;

    ToolbarController& m_controller;
    QListWidget* m_available;
    QListWidget* m_current;
    QPushButton* m_addButton;
    QPushButton* m_removeButton;
    QPushButton* m_upButton;
    QPushButton* m_downButton;
    QComboBox* m_display;
    bool m_filling = false;
};
