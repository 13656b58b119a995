#pragma once

#include <QString>

// The state of the rich editor's selection as the style bar shows it.
struct RichSelectionState {
    bool hasSelection = false; // a selection or caret lies in the content
    bool collapsed = true;     // it is a caret
    bool bold = false;
    bool italic = false;
    bool underline = false;
    // The computed alignment keyword ("left", "right", "center", "justify"),
    // empty when there is no selection.
    QString alignment;
    bool blockquote = false;
    bool orderedList = false;
    bool unorderedList = false;
    bool canUndo = false;
    bool canRedo = false;
    bool composing = false; // an input method is composing text

    // Null fields are read as false or empty.
    static RichSelectionState fromJson(const QString& json);
    friend bool operator==(const RichSelectionState&, const RichSelectionState&) = default;
};
