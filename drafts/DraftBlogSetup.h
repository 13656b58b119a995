// Sets a draft up from its blog: rich editing, the lower pane, the title rows, the panel.
#pragma once

#include <memory>

class Draft;
class PLUMETDraftPanel;

// What a draft takes from the blog it stands in, at the start and again
// when its entry moves to another blog: whether the rich editors may be
// edited (the text filter, "fixedRichText"), the lower pane's state and
// tab, which title rows show, and the blog system's own panel in the lower
// pane. Part of the Draft.
class DraftBlogSetup {
public:
    explicit DraftBlogSetup(Draft& draft);
    ~DraftBlogSetup();

    // See Draft::canUseRichEditor.
    bool canUseRichEditor() const { return m_canUseRichEditor; }
    PLUMETDraftPanel* pluginObject() const { return m_pluginObject.get(); }

    // Whether the rich editors may be edited, and the lower pane the blog keeps.
    void readBlogState();
    // The blog system's panel in the lower pane, made anew.
    void setUpPluginPanel();
    void disposePluginPanel();
    // The keywords and blog rows as the blog keeps them.
    void configureTitleArea();
    // The lower pane's segments for the entry's fields and the panel.
    void setUpPaneStack();
    // All of the above again, for the blog the entry moved to, with the
    // categories list, the blog menu and the formats.
    void reconfigureForBlog();

    // See Draft::toggleKeywords and Draft::toggleBloglist.
    void toggleKeywords();
    void toggleBloglist();

private:
    Draft& m_draft;
    bool m_fixedRichText = false;
    bool m_canUseRichEditor = true;
    bool m_expanded = false;
    std::unique_ptr<PLUMETDraftPanel> m_pluginObject;
};
