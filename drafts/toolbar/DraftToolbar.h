// The draft window's customisable toolbar: its items, their lists, and the add-on items.
#pragma once

#include "ToolbarDelegate.h"

#include <QHash>
#include <QPointer>
#include <functional>

class AddonManager;
class QAction;

// The items of the draft window's toolbar ("draft_toolbar"). Each command
// item stands for one of the window's menu commands: a click triggers that
// command and the item is enabled exactly when the command is. Every
// add-on with a toolbar icon adds an item named by its key that runs it.
class DraftToolbar : public ToolbarDelegate {
public:
    static constexpr auto identifier = "draft_toolbar";
    static constexpr auto publishItem = "post-publish";
    static constexpr auto saveItem = "post-save";
    static constexpr auto customTagsItem = "post-custom-tags";
    static constexpr auto summaryItem = "post-summary";
    static constexpr auto adjustTimeItem = "post-adjust-time";
    static constexpr auto trackbackItem = "post-trackback";
    static constexpr auto wordCountItem = "post-wordcount";
    static constexpr auto mediaItem = "mediabrowser";

    // An add-on's icon larger than this is not read.
    static constexpr qint64 maximumIconBytes = 1024 * 1024;

    struct Commands {
        // The menu command of each item above, by identifier.
        QHash<QString, QAction*> actions;
        // Runs the add-on of the key.
        std::function<void(const QString& key)> runAddon;
        // Whether the add-ons can run now (as their menu items say).
        std::function<bool()> addonsEnabled;
    };
    // `addons` may be null (no add-on items); it must outlive the toolbar.
    DraftToolbar(Commands commands, const AddonManager* addons);

    // Whether a blog system with this summary/extended code has a summary
    // field to make: codes 2 and 3.
    static bool canCreateSummary(int paneCode);

    QStringList toolbarAllowedItemIdentifiers() const override;
    QStringList toolbarDefaultItemIdentifiers() const override;
    ToolbarItem toolbarItem(const QString& identifier) const override;
    bool validateToolbarItem(const QString& identifier) const override;

    // The add-on keys that get a toolbar item.
    QStringList addonKeys() const;

private:
    ToolbarItem addonItem(const QString& key) const;

    QHash<QString, QPointer<QAction>> m_actions;
    std::function<void(const QString&)> m_runAddon;
    std::function<bool()> m_addonsEnabled;
    const AddonManager* m_addons;
};
