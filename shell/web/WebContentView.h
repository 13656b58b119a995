#pragma once

#include "WebContentPage.h"

#include <QWebEngineView>
#include <functional>

// A web view of ours: a WebContentPage, no context menu, and the text services
// the find panel uses, all run as page script in our isolated world. Every
// service answers asynchronously, once, or never when the document was
// replaced before the page answered.
//
// A plain view is read-only and offers no replacing; a view that edits its
// document (EditableWebView, the rich editor) offers it.
class WebContentView : public QWebEngineView {
    Q_OBJECT
public:
    // A search's outcome. `textAfter` counts the characters from the start of
    // the found text to the end of the document (-1 when nothing was found).
    struct FindHit {
        bool found = false;
        qint64 textAfter = -1;
    };

    explicit WebContentView(QWidget* parent = nullptr);

    WebContentPage* contentPage() const { return m_page; }
    void showDocument(const QString& html,
                      WebContentPage::Content kind = WebContentPage::Content::Post);
    void showDocument(const QString& html, WebContentPage::Content kind,
                      const WebContentPage::ShowOptions& options);

    // Searches from the selection; the found text becomes the selection.
    // `wrap` continues from the other end of the document.
    void searchFor(const QString& text, bool forward, bool caseSensitive, bool wrap,
                   std::function<void(FindHit)> done);
    // The markup of the selection; "" without one.
    void selectedMarkup(std::function<void(const QString&)> done);
    // Collapses the selection to the start of the document.
    void moveCursorToStart(std::function<void()> done = {});

    // Whether replaceSelectionWithText can change the document.
    virtual bool offersReplace() const { return false; }
    // Replaces the selection with `text` as one undoable change; `done` hears
    // whether anything was replaced. A read-only view replaces nothing.
    virtual void replaceSelectionWithText(const QString& text, std::function<void(bool)> done);

private:
    WebContentPage* m_page;
};

// A view whose document is edited in place (contenteditable): it replaces
// through the editor's own command, so each replacement is one undo step.
class EditableWebView : public WebContentView {
    Q_OBJECT
public:
    using WebContentView::WebContentView;

    bool offersReplace() const override { return true; }
    void replaceSelectionWithText(const QString& text, std::function<void(bool)> done) override;
};
