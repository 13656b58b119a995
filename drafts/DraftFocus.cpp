// Tells which of a draft's editors and fields has the focus and which views are in use.
#include "DraftFocus.h"

#include "Draft.h"
#include "DraftEditor.h"
#include "RVTextView.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>

DraftFocus::DraftFocus(const Draft& draft) : m_draft(draft) {}

DraftEditor* DraftFocus::focusedEditor() const
{
    DraftEditor* focused = DraftEditor::containing(QApplication::focusWidget());
    for (const int mode : {Draft::RichMode, Draft::SourceMode}) {
        for (const bool sub : {false, true}) {
            if (focused && m_draft.editor(mode, sub) == focused)
                return focused;
        }
    }
    return nullptr;
}

DraftEditor* DraftFocus::styledEditor() const
{
    DraftEditor* focused = focusedEditor();
    if (!focused || focusedSourceView())
        return focused;
    return m_draft.canUseRichEditor() ? focused : nullptr;
}

RVTextView* DraftFocus::focusedSourceView() const
{
    return dynamic_cast<RVTextView*>(focusedEditor());
}

bool DraftFocus::isActiveView(QWidget* view) const
{
    // In use means shown (a collapsed lower pane, a hidden row, the other
    // editor kind's tab are not) and able to take the focus.
    if (!view || !view->isEnabled() || !view->isVisibleTo(view->window()))
        return false;
    if (qobject_cast<QLineEdit*>(view) || qobject_cast<QAbstractItemView*>(view))
        return true;
    DraftEditor* owning = DraftEditor::containing(view);
    if (!owning)
        return false;
    if (owning == m_draft.editor(Draft::RichMode, false) ||
        owning == m_draft.editor(Draft::RichMode, true))
        return m_draft.mode() == Draft::RichMode;
    if (owning == m_draft.editor(Draft::SourceMode, false) ||
        owning == m_draft.editor(Draft::SourceMode, true))
        return m_draft.mode() == Draft::SourceMode;
    return false;
}
