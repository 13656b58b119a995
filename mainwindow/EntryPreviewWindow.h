#pragma once

#include "PreviewFormatting.h"
#include "RenderThrottle.h"

#include <QPointer>
#include <QWidget>

class Clock;
class Entry;
class WebContentView;

// The window that shows a draft's entry as its blog's preview template
// renders it ("Preview Draft"). It follows the draft: the draft asks it to
// refresh ("refreshPreview"), its entry's saved changes show (at most once
// every 2 s, and once more after the last), and it goes when the draft
// closes ("closePreview"). The same entry shown again keeps the reader's
// place. As in the inline preview, no script of the page runs and links go
// to the desktop's browser, and the formatter makes the page on a worker
// thread, one run at a time.
class EntryPreviewWindow : public QWidget {
    Q_OBJECT
public:
    explicit EntryPreviewWindow(QWidget* parent = nullptr, Clock* clock = nullptr);
    ~EntryPreviewWindow() override;

    // Writes the draft's editors into its entry, then brings the window to
    // the front with that entry. Nothing happens without a draft.
    void preview(QObject* draft);
    // Shows the entry (the window stays where it is).
    void previewEntry(Entry* entry);

    QObject* draft() const { return m_draft.data(); }
    Entry* previewedEntry() const;
    // Null until the first entry is shown.
    WebContentView* webView() const { return m_view; }
    // Documents handed to the view so far.
    int renderCount() const { return m_renders; }
    // Whether the formatter is making a page for the window.
    bool isRendering() const { return m_formatting->isRunning(); }

signals:
    void rendered(Entry* entry);

private:
    void follow(Entry* entry);
    void showPage(Entry& entry, const QString& html);
    WebContentView* ensureView();
    void draftClosed(QObject* draft);

    WebContentView* m_view = nullptr;
    QPointer<QObject> m_draft;
    QPointer<Entry> m_entry;
    // The entry whose document the view holds.
    QPointer<Entry> m_viewEntry;
    PreviewFormatting* m_formatting;
    QMetaObject::Connection m_watch;
    RenderThrottle m_throttle;
    int m_renders = 0;
};
