#pragma once

class DraftEditor;
class QWidget;
class RVTag;

// Applies custom tags to the editor that has the keyboard focus, rich or
// source alike: the editor is found by walking up from the focus widget of the
// window (DraftEditor::containing).
namespace CustomTagDispatch {

// The editor holding the focus in `window` (a window, or any widget in one);
// null when the focus is in no editor.
DraftEditor* focusedEditor(QWidget* window);

// Applies `tag` in the focused editor of the sender's window. Nothing happens
// for a tag that is not usable, without a window or without an editor.
void tagClickAction(const RVTag& tag, QWidget* sender);

} // namespace CustomTagDispatch
