// Tells which of a draft's editors and fields has the focus and which views are in use.
#pragma once

class Draft;
class DraftEditor;
class QWidget;
class RVTextView;

// Where the focus is in a draft window. The commands that act on one editor
// (the Format and Add-ons menus, the Edit menu) ask here which one; the keys
// the window hands on to its views are routed by the same answers.
// Part of the Draft.
class DraftFocus {
public:
    explicit DraftFocus(const Draft& draft);

    // The draft's editor that holds the focus, or null.
    DraftEditor* focusedEditor() const;
    // The focused editor when it takes bold and italic, and the focused
    // source view; null otherwise.
    DraftEditor* styledEditor() const;
    RVTextView* focusedSourceView() const;
    // See Draft::isActiveView.
    bool isActiveView(QWidget* view) const;

private:
    const Draft& m_draft;
};
