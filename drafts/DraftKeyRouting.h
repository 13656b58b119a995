// Tab through a draft window's editing areas, the preview that follows the typing, and the
// editor buttons that follow the focus.
#pragma once

#include "Clock.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <memory>

class Draft;
class QKeyEvent;
class QWidget;
class RVDraftWindow;

// What a draft window adds to the keys and the focus:
// - Tab moves the focus through the eight editing areas (title, keywords,
//   the main pane's rich editor and source view, the lower pane's, the
//   categories search field and table) in that order, skipping those the
//   draft says are not in use. Shift-Tab, Tab with another modifier, Tab
//   while an input method composes, and Tab outside the areas go on as usual.
// - Every change of the text restarts a 3 s wait, after which the main
//   window's preview is refreshed while it shows; the window losing the
//   activation refreshes at once rather than dropping the last words.
// - The focus switches the editors' own buttons: the rich editor's style
//   bar is on only while that editor has the focus.
//
// The web view takes its keys in a widget of its own (its focus proxy), so
// the keys are filtered on whichever widget of the window has the focus.
// Part of the RVDraftWindow.
class DraftKeyRouting : public QObject {
    Q_OBJECT
public:
    // The focus as the editor buttons see it.
    enum class FocusKind { RichEditor, SourceView, Other };
    Q_ENUM(FocusKind)

    explicit DraftKeyRouting(RVDraftWindow* window);
    ~DraftKeyRouting() override;

    // The preview wait runs on this clock (tests); null means the system clock.
    void setClock(Clock* clock);
    // The window stopped being the active window.
    void windowDeactivated();
    bool previewPending() const { return m_previewTimer != nullptr; }

    // The Tab cycle, in order; null where the draft has no such area.
    QList<QWidget*> cycle() const;

signals:
    // The focus moved inside the window. The insert button and the tag bar
    // follow it here once the window has them.
    void focusKindChanged(DraftKeyRouting::FocusKind kind);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Draft* draft() const;
    void focusChanged(QWidget* now);
    // True when the key moved the focus to the next area in use.
    bool routeTab(const QKeyEvent& event);
    bool composing(QWidget* focus) const;
    void switchButtons(QWidget* focus);
    void textEdited();
    void refreshPreview();

    RVDraftWindow* m_window;
    Clock* m_clock;
    QPointer<QWidget> m_watched;
    bool m_preedit = false; // an input method shows text it has not committed yet
    std::unique_ptr<Clock::Timer> m_previewTimer;
};
