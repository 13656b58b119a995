#pragma once

#include <QList>
#include <functional>

class Account;
class Draft;
class DraftEditor;
class DraftEditorHost;
class QWidget;

// What the parts built after the draft window plug into every draft: each
// is empty until its part installs it, and the window leaves the commands
// that need it disabled. Install before the first draft opens.
struct DraftExtensions {
    // A rich editor for one pane of `host` (main or sub), a child of `parent`;
    // null when none can be made. Without it drafts edit HTML source only.
    std::function<DraftEditor*(QWidget* parent, DraftEditorHost& host)> makeRichEditor;
    // Whether a rich editor may be edited (formatters that allow no HTML
    // editing, "fixedRichText").
    std::function<void(DraftEditor& editor, bool editable)> setRichEditable;

    // Publish: gets the draft once its editors are in the entry; it checks,
    // saves, and hands the entry to publishing.
    std::function<void(Draft& draft)> publish;
    // Saves the draft's post, its editors just committed, as stationery.
    std::function<void(Draft& draft)> saveAsStationery;
    // Fetches the blog's categories from the server.
    std::function<void(Draft& draft)> refreshCategories;
    // The accounts the blog menu lists, in the accounts window's order;
    // without it the menu lists the entry's own account.
    std::function<QList<Account*>()> accounts;
    // Whether the main window shows its preview, which a draft's typing
    // refreshes; without it nothing is refreshed.
    std::function<bool()> previewVisible;

    static DraftExtensions& sharedInstance();
};
