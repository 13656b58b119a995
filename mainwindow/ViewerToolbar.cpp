#include "ViewerToolbar.h"

#include <QAction>

using namespace ToolbarIdentifiers;

QStringList ViewerToolbar::commandIdentifiers()
{
    return {QStringLiteral("blogs"),  QStringLiteral("settings"), QStringLiteral("refresh"),
            QStringLiteral("delete"), QStringLiteral("new"),      QStringLiteral("post-publish"),
            QStringLiteral("view"),   QStringLiteral("accounts")};
}

QStringList ViewerToolbar::toolbarAllowedItemIdentifiers() const
{
    QStringList allowed{QLatin1String(separator), QLatin1String(space),
                        QLatin1String(flexibleSpace), QLatin1String(customize)};
    allowed += commandIdentifiers();
    return allowed;
}

QStringList ViewerToolbar::toolbarDefaultItemIdentifiers() const
{
    return {QStringLiteral("refresh"),  QStringLiteral("new"),      QStringLiteral("post-publish"),
            QLatin1String(separator),   QStringLiteral("delete"),   QLatin1String(separator),
            QStringLiteral("view"),     QStringLiteral("blogs"),    QLatin1String(flexibleSpace),
            QStringLiteral("settings"), QStringLiteral("accounts"), QLatin1String(customize)};
}

ToolbarItem ViewerToolbar::toolbarItem(const QString& identifier) const
{
    ToolbarItem item;
    item.identifier = identifier;
    QAction* command = m_commands ? m_commands(identifier) : nullptr;
    if (!command)
        return item; // a bare item: the toolbar leaves it out
    item.label = command->text();
    item.paletteLabel = item.label;
    item.toolTip = command->toolTip();
    item.icon = command->icon();
    item.action = [command] { command->trigger(); };
    return item;
}

bool ViewerToolbar::validateToolbarItem(const QString& identifier) const
{
    QAction* command = m_commands ? m_commands(identifier) : nullptr;
    return command && command->isEnabled();
}
