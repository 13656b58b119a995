#pragma once

#include <QString>

// The side of a draft that gives text to a menu add-on and takes its result:
// the editor that has the focus.
class AddonTextHolder {
public:
    virtual ~AddonTextHolder() = default;

    // The text handed to an add-on: the selection, or the whole text (then
    // selected) when asked for. Null when the focus is in neither editor; the
    // rich editor answers null for an empty selection, the source editor an
    // empty string.
    virtual QString selectedText(bool wholeText) = 0;
    // Puts the add-on's result in place of the selection; does nothing when
    // the focus is in neither editor.
    virtual void changeSelectedText(const QString& text) = 0;
};
