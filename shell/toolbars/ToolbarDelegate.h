#pragma once

#include "ToolbarItem.h"

#include <QStringList>

// What a window tells its toolbar (see ToolbarController): the items it may
// hold, those it holds until the user changes them, each item's look and
// action, and whether an item can be used now. The standard identifiers of
// ToolbarIdentifiers are built by the controller; the delegate only lists them.
class ToolbarDelegate {
public:
    virtual ~ToolbarDelegate() = default;

    virtual QStringList toolbarAllowedItemIdentifiers() const = 0;
    virtual QStringList toolbarDefaultItemIdentifiers() const = 0;
    // The item for an identifier of the allowed list; an empty item when the
    // window cannot make it (the toolbar then leaves it out).
    virtual ToolbarItem toolbarItem(const QString& identifier) const = 0;
    // Whether the item's action can run now; asked whenever the controller
    // validates its items.
    virtual bool validateToolbarItem(const QString& identifier) const
    {
        Q_UNUSED(identifier);
        return true;
    }
};
