// A draft's four editors: making them, filling them from the entry, reading them, switching kinds.
#pragma once

#include "EditorCommitter.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

class Draft;
class DraftEditor;
class QStackedWidget;
class QWidget;

// The editors of a draft window: a rich editor and an HTML source editor
// in each of the main and lower panes, of which the draft's mode shows one
// pair. The rich editors show the entry's HTML rendered for rich editing;
// a text that does not render asks the user, who may take Tidy's
// correction or refuse, which leaves the draft in source mode.
// Part of the Draft.
class DraftEditors {
public:
    // One text to render for rich editing.
    struct RenderJob {
        QString text;
        QString message; // the validation panel's title when the text is invalid
    };
    using Rendered = std::function<void(std::optional<QStringList> texts)>;

    // How long the focus waits to go back to an editor refilled.
    static constexpr int focusReturnDelay = 250;

    explicit DraftEditors(Draft& draft);
    ~DraftEditors();

    // Puts the rich and source editors in the tab views of the editing area.
    void build(QStackedWidget* mainTabs, QStackedWidget* subTabs);

    EditorSlot& slot(int mode, bool sub);
    DraftEditor* editor(int mode, bool sub) const;
    // See Draft::richEditorsAvailable.
    bool richEditorsAvailable() const { return m_richMain.editor != nullptr; }
    // The blog's language to the source editors' spelling.
    void setSpellingLanguage(const QString& language);

    // Fills the editors of the mode shown from the entry, then `done`.
    void loadContent(std::function<void()> done = {});
    void loadSourceEditors();
    // Gives `slot`'s editor `text`, as the text it was filled with.
    void setEditorContent(EditorSlot& slot, const QString& text);

    // The text as the rich editor shows it; a null string when it is invalid HTML.
    QString renderForRichEdit(const QString& text) const;
    // Rendered, or Tidy's correction, asking no one.
    QString renderQuietly(const QString& text) const;
    // Renders each job's text; `done` gets them all, or nothing when the
    // user refused a correction.
    void renderAll(QList<RenderJob> jobs, Rendered done);

    // The editors a commit reads, and the field each goes to.
    QList<EditorCommitter::Reader> commitReaders();

    // See Draft::switchEditor.
    void switchEditor(std::optional<int> buttonTag);

private:
    void setUpEditor(EditorSlot& slot, DraftEditor* editor);
    // After its renderer came back, an editor is given the content it last had.
    void restoreEditor(EditorSlot& slot);
    void fallBackToSourceMode();
    void finishSwitchToRich(const QString& body, const QString& sub, bool hasSub);
    void switchToSource(const EditorCommitter::Result& result);

    Draft& m_draft;
    EditorSlot m_richMain, m_richSub, m_sourceMain, m_sourceSub;
};
