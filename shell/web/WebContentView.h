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

    // Alt-clicking a link asks where to save its target, then downloads it
    // there. Off unless set: without it the gesture does nothing.
    void setOffersDownloads(bool offers) { m_offersDownloads = offers; }
    bool offersDownloads() const { return m_offersDownloads; }

    // Whether replaceSelectionWithText can change the document.
    virtual bool offersReplace() const { return false; }
    // Replaces the selection with `text` as one undoable change; `done` hears
    // whether anything was replaced. A read-only view replaces nothing.
    virtual void replaceSelectionWithText(const QString& text, std::function<void(bool)> done);

private:
    void askWhereToSave(const QUrl& url);

    WebContentPage* m_page;
    bool m_offersDownloads = false;
};

// A view whose document is edited in place (contenteditable): it replaces
// through the editor's own command, so each replacement is one undo step.
//
// Its page script needs the engine's script machinery: post content shown
// there is held by its policy, and its frames do not load.
class EditableWebView : public WebContentView {
    Q_OBJECT
public:
    explicit EditableWebView(QWidget* parent = nullptr);

    bool offersReplace() const override { return true; }
    void replaceSelectionWithText(const QString& text, std::function<void(bool)> done) override;
};
