// A draft's Add-ons menu and the hand-over of the focused editor's text to a menu add-on.
#pragma once

#include <QString>
#include <memory>

class AddonMenu;
class Draft;
class DraftAddonHandler;
class DraftAddonText;
class QMenu;

// The menu add-ons of a draft window: their menu with the recorded
// shortcuts, and the road that hands an add-on the focused editor's text
// (see Draft::callAddon). Part of the Draft.
class DraftAddons {
public:
    explicit DraftAddons(Draft& draft);
    ~DraftAddons();

    // Adds the Add-ons menu to the window's menu bar.
    void build();

    DraftAddonHandler* handler() const { return m_handler; }
    QMenu* menu() const { return m_menu; }
    void callAddon(const QString& key, const QString& subaction);
    // The items are enabled while an editor has the focus and no add-on runs.
    void validate();
    // What validate() gives the items: an editor has the focus and no add-on runs.
    bool itemsEnabled() const;
    // Tells the add-on side the draft closes.
    void dispose();
    // Lets the add-on side's objects go, while the window they showed in stands.
    void releaseHandler();

private:
    // Puts the recorded add-on shortcuts ("addon_shortcuts") on the add-on items.
    void applyShortcuts();

    Draft& m_draft;
    QMenu* m_menu = nullptr;
    AddonMenu* m_items = nullptr;
    std::unique_ptr<DraftAddonText> m_text; // outlives the handler that reads it
    DraftAddonHandler* m_handler = nullptr;
};
