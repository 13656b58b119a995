#pragma once

#include "AddonTextHolder.h"

#include <QPointer>
#include <QString>
#include <QWidget>

class DraftEditor;

// The text a draft hands to a menu add-on, and where its result goes back.
// The rich editor gives its selection only later, so the draft fetches it
// from the focused editor first and holds it here while the add-on starts;
// the result replaces that editor's selection (all of its text when the
// add-on took the whole text).
class DraftAddonText : public AddonTextHolder {
public:
    // The text about to be handed over, from `editor`.
    void prepare(DraftEditor& editor, const QString& text, bool wholeText);
    // The hand-over is done: the text is let go, the editor kept for the result.
    void handedOver() { m_text = QString(); }

    QString selectedText(bool wholeText) override;
    void changeSelectedText(const QString& text) override;

private:
    QPointer<QWidget> m_editor; // the editor's widget: it may go while the add-on runs
    QString m_text;
    bool m_wholeText = false;
};
