#pragma once

#include "ToolbarConfiguration.h"
#include "ToolbarItem.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

class QAction;
class QMainWindow;
class QToolBar;
class ToolbarCustomizeDialog;
class ToolbarDelegate;
class UserDefaults;

// A window's customisable toolbar. The window (through its ToolbarDelegate)
// says which items the toolbar may hold, which it holds by default and how
// each looks and acts; the controller builds the QToolBar, lets the user
// rearrange it in a customise dialog (the "customize" item, the toolbar's
// context menu or runCustomizationPalette()) and keeps the user's
// arrangement in the user defaults under the toolbar's identifier, so that
// every window with that toolbar shows it.
//
//   m_toolbar = new ToolbarController("account_toolbar", *this, window);
//   ...                                  // when what the items act on changes:
//   m_toolbar->validateVisibleItems();
//
// The delegate must outlive the controller; the controller lives as long as
// the window (its parent).
class ToolbarController : public QObject {
    Q_OBJECT
public:
    ToolbarController(const QString& identifier, ToolbarDelegate& delegate, QMainWindow* window,
                      UserDefaults* defaults = nullptr);
    ~ToolbarController() override;

    QString identifier() const { return m_identifier; }
    QToolBar* toolBar() const { return m_toolBar; }
    ToolbarDelegate& delegate() const { return m_delegate; }

    // The items the toolbar holds, in order.
    QStringList itemIdentifiers() const { return m_configuration.items; }
    // Shows these items (those the window does not allow are left out) and
    // saves the arrangement.
    void setItemIdentifiers(const QStringList& identifiers);
    void resetToDefaultItems();
    Qt::ToolButtonStyle displayMode() const { return m_configuration.style; }
    void setDisplayMode(Qt::ToolButtonStyle style);
    bool isVisible() const { return m_configuration.visible; }
    void setVisible(bool visible);

    // Builds every item again from the delegate, e.g. when its allowed items
    // changed (add-ons came or went). The saved arrangement stays.
    void reloadItems();
    // Enables each item as the delegate's validateToolbarItem says.
    void validateVisibleItems();

    // The toolbar's action for an item it shows; null when it shows none.
    QAction* actionForItem(const QString& identifier) const;

    // Opens the customise dialog as a sheet of the window (once at a time).
    void runCustomizationPalette();
    ToolbarCustomizeDialog* customizationPalette() const;

    // The item a standard identifier stands for, as the palette lists it.
    static ToolbarItem standardItem(const QString& identifier);

signals:
    // The items, display mode or visibility changed (and were saved).
    void configurationChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuild();
    void apply(const ToolbarConfiguration& configuration);
    void showContextMenu(const QPoint& position);

    QString m_identifier;
    ToolbarDelegate& m_delegate;
    QPointer<QMainWindow> m_window;
    UserDefaults* m_defaults;
    QToolBar* m_toolBar = nullptr;
    ToolbarConfiguration m_configuration;
    QList<QPair<QString, QAction*>> m_actions;
    QPointer<ToolbarCustomizeDialog> m_palette;
};
