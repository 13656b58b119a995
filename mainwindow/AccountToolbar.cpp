#include "AccountToolbar.h"

#include "Localization.h"
#include "ToolbarIcons.h"

namespace {

using namespace ToolbarIdentifiers;

struct ItemText {
    const char* identifier;
    const char* label;
    const char* toolTip;
    const char* themeIcon;
};

constexpr ItemText items[] = {
    {AccountToolbar::assistantItem, "Assistant", "Start new account helper", "tools-wizard"},
    {AccountToolbar::deleteItem, "Delete", "Deletes selected account. This is not undoable.",
     "edit-delete"},
    {AccountToolbar::newItem, "New", "Create a new account", "list-add"},
    {AccountToolbar::updateItem, "Update", "Updates account from server", "view-refresh"},
};

QStringList identifiers(std::initializer_list<const char*> names)
{
    QStringList list;
    for (const char* name : names)
        list.append(QLatin1String(name));
    return list;
}

} // namespace

QStringList AccountToolbar::toolbarAllowedItemIdentifiers() const
{
    return identifiers({separator, space, flexibleSpace, assistantItem, deleteItem, newItem,
                        updateItem, customize});
}

QStringList AccountToolbar::toolbarDefaultItemIdentifiers() const
{
    return identifiers(
        {assistantItem, separator, newItem, updateItem, flexibleSpace, deleteItem, customize});
}

ToolbarItem AccountToolbar::toolbarItem(const QString& identifier) const
{
    ToolbarItem item;
    item.identifier = identifier;
    for (const ItemText& known : items) {
        if (identifier != QLatin1String(known.identifier))
            continue;
        item.label = localized("AccountController", known.label);
        item.paletteLabel = item.label;
        item.toolTip = localized("AccountController", known.toolTip);
        item.icon = ToolbarIcons::themed(
            QLatin1String(known.themeIcon),
            QStringLiteral(":/mainwindow/toolbar/%1.svg").arg(QLatin1String(known.identifier)));
    }
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
