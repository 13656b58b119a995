#include "AddonMenuShortcuts.h"

#include "ShortcutString.h"

#include <QAction>
#include <QMenu>

namespace AddonMenuShortcuts {

namespace {

void applyTo(const QList<QAction*>& items, const QMap<QString, QString>& stored)
{
    for (QAction* action : items) {
        if (action->isSeparator())
            continue;
        if (QMenu* submenu = action->menu()) {
            applyTo(submenu->actions(), stored);
            continue;
        }
        action->setShortcut(ShortcutString::toKeySequence(stored.value(titleOf(action))));
    }
}

} // namespace

QString titleOf(const QAction* action)
{
    const QString text = action->text();
    QString title;
    title.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('&')) {
            // "&&" is a literal "&"; a single "&" marks the mnemonic.
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('&'))
                title += text.at(++i);
            continue;
        }
        title += text.at(i);
    }
    return title;
}

QList<QAction*> addonItems(const QMenu* menu)
{
    QList<QAction*> items = menu ? menu->actions() : QList<QAction*>();
    items = items.mid(0, std::max<qsizetype>(0, items.size() - 2));
    items.removeIf([](const QAction* action) { return action->isSeparator(); });
    return items;
}

void apply(QMenu* menu, const QMap<QString, QString>& stored)
{
    applyTo(addonItems(menu), stored);
}

void applyToItems(const QList<QAction*>& items, const QMap<QString, QString>& stored)
{
    applyTo(items, stored);
}

} // namespace AddonMenuShortcuts
