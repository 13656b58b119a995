// A draft's editing commands: lower pane, summary, style, reloading and reverting.
#pragma once

#include <QVariantMap>

class Draft;
class DraftEditors;
class DraftWindowLayout;

// The commands that change what a draft's editors show: the field in the
// lower pane, a summary made from the body, new colours after a style
// change, the entry taken anew, and the reverts to the saved post and to
// a revision with the Revisions menu they come from. Each commits the
// editors first. Part of the Draft; see Draft for each call.
class DraftEditing {
public:
    explicit DraftEditing(Draft& draft);
    ~DraftEditing();

    void toggleExtraEdit(int tag);
    void createSummary();
    void refreshSource();
    void reloadEntry();
    void revertDocumentToSaved();
    void revertToRevision(const QVariantMap& revision);
    // The window's Revisions menu.
    void rebuildRevisionMenu();

private:
    DraftEditors& editors() const;
    DraftWindowLayout& layout() const;

    Draft& m_draft;
};
