#pragma once

#include "PreviewFormatting.h"
#include "RenderThrottle.h"

#include <QPointer>
#include <QUrl>
#include <QWidget>
#include <functional>

class Clock;
class Entry;
class QLabel;
class QStackedLayout;
class RVSplitView;
class WebContentView;

// The inline preview under the entries table: the selected entry as a
// summary (excerpt, categories, permalink) while the pane is low, otherwise
// as the blog's preview template renders it. In full mode it follows the
// entry's body as it is edited, at most once every 2 s and always once more
// after the last edit, keeping the reader's place. Nothing is rendered while
// the pane is collapsed. The documents' own script never runs; links open in
// the desktop's browser and Alt-click saves their target where the user says.
//
// The formatter makes the full page on a worker thread, one run at a time: asks
// that come while it works are answered by one more run when it is done, and a
// page for what is no longer asked for is dropped.
class EntryPreview : public QWidget {
    Q_OBJECT
public:
    enum class Mode { None, Summary, Full };
    Q_ENUM(Mode)

    // Panes lower than this show the summary.
    static constexpr double summaryBelow = 81.0;
    static Mode modeForHeight(double height);
    // What the entry's relative addresses resolve against: its permalink
    // ("http://" in front when it names no scheme), else its blog's address;
    // empty when neither is an http or https address.
    static QUrl baseAddress(const Entry& entry);

    // `split` is the split view the preview is the lower pane of.
    explicit EntryPreview(RVSplitView* split, QWidget* parent = nullptr, Clock* clock = nullptr);
    ~EntryPreview() override;

    // The entry selected in the table now (null for none or several).
    void setCurrentEntry(std::function<Entry*()> current) { m_current = std::move(current); }

    // The table's selection changed: the entry selected now, from its top.
    void selectionChanged();
    // Shows the current entry again where the pane's height or state asks
    // for another mode or nothing is shown yet; `restyle` renders anew in any case.
    void updatePreview(bool restyle = false);
    // Forgets what is shown (the entry may be leaving its blog) and shows nothing.
    void clear();
    // Forgets what is shown and renders the current entry anew.
    void refresh();

    Mode shownMode() const { return m_shownMode; }
    Entry* shownEntry() const;
    // Null until the first render.
    WebContentView* webView() const { return m_view; }
    // Documents handed to the view so far.
    int renderCount() const { return m_renders; }
    // Whether the formatter is making a page for the preview.
    bool isRendering() const { return m_formatting->isRunning(); }

signals:
    // A document was handed to the web view.
    void rendered(EntryPreview::Mode mode, Entry* entry);

protected:
    // A new height may ask for the other mode.
    void resizeEvent(QResizeEvent* event) override;

private:
    void showEntry(Entry* entry, bool fromTop, bool force);
    void render(Entry& entry, Mode mode, bool keepPlace);
    void showPage(Entry& entry, Mode mode, bool keepPlace, const QString& html);
    void follow(Entry* entry);
    bool collapsed() const;
    WebContentView* ensureView();

    RVSplitView* m_split;
    std::function<Entry*()> m_current;
    QStackedLayout* m_stack = nullptr;
    QLabel* m_placeholder = nullptr;
    WebContentView* m_view = nullptr;
    // What the view shows, and the entry whose body is followed (full mode).
    QPointer<Entry> m_shownEntry;
    Mode m_shownMode = Mode::None;
    // The entry whose document the view holds; the shown one may still be formatting.
    QPointer<Entry> m_viewEntry;
    PreviewFormatting* m_formatting;
    bool m_keepPlace = false;
    QPointer<Entry> m_followed;
    QMetaObject::Connection m_bodyWatch;
    RenderThrottle m_throttle;
    int m_renders = 0;
};
