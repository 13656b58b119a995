// Saves and closes a draft: the needs-save test, the writing, the question, the roads.
#pragma once

#include "ModelTypes.h"

#include <functional>

class Draft;

// The saving side of a draft: the entry's copy as last saved, which the
// needs-save test compares with and "Don't Save" restores; writing the
// entry; and the roads that save and then close the window (the close
// button, the save question, the autosave, the quit, a forced close).
// Part of the Draft; see Draft for each call.
class DraftSaving {
public:
    explicit DraftSaving(Draft& draft);
    ~DraftSaving();

    EntryPtr savedCopy() const { return m_copy; }
    void renewCopy();
    // Whether the entry differs from its saved copy; marks a changed
    // published post as changed locally.
    bool compareWithCopy();

    void determineIfSaveIsNeeded(std::function<void(bool needed)> answer);
    bool needsSave() const;
    bool saveToDisk();
    bool writeEntry();
    void saveDocument();
    void saveDocumentAs();
    bool windowShouldClose();
    void save();
    void askToSave(std::function<void(bool goOn)> reviewStep = {});
    void saveIfNeeded(std::function<void()> done);
    void forceClose(std::function<void()> done);
    void commitForQuit(std::function<void(bool needed)> done);
    // Asks the registry to close the draft.
    void requestClose();
    // See Draft::close.
    void tearDown();

private:
    Draft& m_draft;
    EntryPtr m_copy;
};
