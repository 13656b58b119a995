#pragma once

#include "ToolbarDelegate.h"

#include <functional>

class QAction;

// The main window's toolbar ("viewerToolbar"): its items are the window's
// commands, each shown with its command's text, picture and tip, and usable
// when its command is.
class ViewerToolbar : public ToolbarDelegate {
public:
    static constexpr auto identifier = "viewerToolbar";

    // The window's command for an item identifier, or null.
    using Commands = std::function<QAction*(const QString& identifier)>;
    explicit ViewerToolbar(Commands commands) : m_commands(std::move(commands)) {}

    // The command items, in the order the palette lists them.
    static QStringList commandIdentifiers();

    QStringList toolbarAllowedItemIdentifiers() const override;
    QStringList toolbarDefaultItemIdentifiers() const override;
    ToolbarItem toolbarItem(const QString& identifier) const override;
    bool validateToolbarItem(const QString& identifier) const override;

private:
    Commands m_commands;
};
