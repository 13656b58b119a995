#include "AccountToolbar.h"

#include "ToolbarItemText.h"

namespace {

using namespace ToolbarIdentifiers;

constexpr ToolbarItemText items[] = {
    {AccountToolbar::assistantItem, "Assistant", "Start new account helper", "tools-wizard"},
    {AccountToolbar::deleteItem, "Delete", "Deletes selected account. This is not undoable.",
     "edit-delete"},
    {AccountToolbar::newItem, "New", "Create a new account", "list-add"},
    {AccountToolbar::updateItem, "Update", "Updates account from server", "view-refresh"},
};

} // namespace

QStringList AccountToolbar::toolbarAllowedItemIdentifiers() const
{
    return listOf({separator, space, flexibleSpace, assistantItem, deleteItem, newItem, updateItem,
                   customize});
}

QStringList AccountToolbar::toolbarDefaultItemIdentifiers() const
{
    return listOf(
        {assistantItem, separator, newItem, updateItem, flexibleSpace, deleteItem, customize});
}

ToolbarItem AccountToolbar::toolbarItem(const QString& identifier) const
{
    ToolbarItem item;
    if (const ToolbarItemText* known = ToolbarItemText::find(items, identifier))
        item = known->item("AccountController", QStringLiteral(":/mainwindow/toolbar"));
    item.identifier = identifier;
    if (identifier == QLatin1String(assistantItem))
        item.action = m_actions.configureAccount;
    else if (identifier == QLatin1String(deleteItem))
        item.action = m_actions.deleteAccount;
    else if (identifier == QLatin1String(newItem))
        item.action = m_actions.newAccount;
    else if (identifier == QLatin1String(updateItem))
        item.action = m_actions.saveAccount;
    return item;
}

bool AccountToolbar::validateToolbarItem(const QString& identifier) const
{
    if (identifier == QLatin1String(deleteItem) || identifier == QLatin1String(updateItem))
        return m_actions.canRemove && m_actions.canRemove();
    return true;
}
