#pragma once

#include <QMetaObject>
#include <QString>
#include <QWidget>
#include <functional>

class RVTag;

// One editor of a draft window: the rich editor or the HTML source view. The
// draft window and the tools that act on "the focused editor" (custom tags,
// add-ons) reach either one through this interface alone.
//
// Texts cross it in the stored form of a post body: HTML in which each
// attachment stands as its bare key (its uniqueID). An editor shows
// attachments its own way and gives the keys back.
//
// The class that implements it is the editor's widget (or a widget that
// contains it), so that DraftEditor::containing() finds it from the focus
// widget. Main thread only.
class DraftEditor {
public:
    using TextHandler = std::function<void(const QString& text)>;

    virtual ~DraftEditor() = default;

    // The widget the draft window puts in its pane.
    virtual QWidget* editorWidget() = 0;

    // Commits what is being edited and calls `then` once with the whole content.
    // "Commit, then continue": the rich editor answers later, from its page;
    // the source view calls `then` before it returns. An editor destroyed
    // before it answers never calls `then`.
    virtual void commitContent(TextHandler then) = 0;

    // Replaces the whole content. The undo history starts afresh and no change
    // is reported.
    virtual void setContent(const QString& content) = 0;

    // The draft's function to call after each change the user makes to the
    // content (typing, pasting, undoing, commands); empty for none.
    void setChangeHandler(std::function<void()> handler) { m_changeHandler = std::move(handler); }

    // Calls `then` once with the selected part of the content (empty when
    // nothing is selected), at once or later like commitContent().
    virtual void fetchSelection(TextHandler then) = 0;

    // Puts `text` in place of the selection as one step the user can undo, the
    // caret after it. Add-ons hand their results back through it.
    virtual void replaceSelection(const QString& text) = 0;

    // Selects the whole content; a result for the whole text replaces it then.
    // Editors whose widget has no selectAll() slot override it.
    virtual void selectWholeContent() { QMetaObject::invokeMethod(editorWidget(), "selectAll"); }

    // The widget that implements this editor, which containing() finds again;
    // editorWidget() may be a pane holding it, from which the search upwards
    // never reaches it. Hold it in a QPointer across an answer that comes later.
    static QWidget* widgetOf(DraftEditor* editor) { return dynamic_cast<QWidget*>(editor); }

    // Wraps the selection in a custom tag, as this editor does it.
    virtual void applyCustomTag(const RVTag& tag) = 0;

    // Bold and italic for the selection, as this editor does it: the source
    // view wraps it in <strong> or <em>, the rich editor toggles the style.
    virtual void bold() = 0;
    virtual void italic() = 0;

    // One step back or forward in the editor's undo history.
    virtual void undo() = 0;
    virtual void redo() = 0;

    // Whether an input method is composing text in the editor: keys then go
    // to it as they come (Tab too).
    virtual bool isComposing() const { return false; }
    // The editor's own buttons (the rich editor's style bar) follow the
    // focus: on while the editor has it. Editors without any ignore it.
    virtual void setButtonsEnabled(bool enabled) { Q_UNUSED(enabled); }

    // The editor that `widget` belongs to: the first widget up from it (itself
    // included) that is a DraftEditor; a web view's focus proxy is its child,
    // so focus inside the rich editor finds it. Null when there is none.
    static DraftEditor* containing(QWidget* widget)
    {
        for (QWidget* w = widget; w; w = w->parentWidget()) {
            if (auto* editor = dynamic_cast<DraftEditor*>(w))
                return editor;
            if (w->isWindow())
                break;
        }
        return nullptr;
    }

protected:
    DraftEditor() = default;
    // For the implementation: tells the draft that the user changed the content.
    void reportChange()
    {
        if (m_changeHandler)
            m_changeHandler();
    }

private:
    std::function<void()> m_changeHandler;
};
