#pragma once

#include <QList>
#include <QWidget>
#include <optional>

class QButtonGroup;
class QHBoxLayout;
class QTimer;
class QToolButton;

// The editing area of a draft window: the main pane on top, below it a bar
// with the closure button and the segments that choose the lower pane
// (extended text, summary, the blog system's panel), and the lower pane.
// The lower pane's height is kept in "summary_height".
//
// The part of the bar right of the segments drags the divider while the
// lower pane shows; neither pane gets smaller than the least height. When
// the area shrinks the lower pane gives way first, so the main pane keeps
// room to write in, and the area asks the window for room for both panes.
//
// Collapsing takes the lower pane away and leaves the bar; each toggle by
// the user posts "dividerDidCollapse" with the stack as object.
class DraftPaneStack : public QWidget {
    Q_OBJECT
public:
    enum Segment { Extended = 0, Summary = 1, Extra = 2 };

    DraftPaneStack(QWidget* top, QWidget* bottom, QWidget* parent = nullptr);
    ~DraftPaneStack() override;

    QWidget* topView() const { return m_top; }
    QWidget* bottomView() const { return m_bottom; }

    // The smallest height of either pane; 0 means 64.
    void setMinHeight(int height);
    int minHeight() const { return m_minHeight; }

    // Builds the layout for `paneCode` (1 extended text, 2 summary, 3 both,
    // 0 neither), with or without the blog system's panel, expanded or collapsed.
    void setupViews(int paneCode, bool plugin, bool expanded);
    void refreshViews(bool expanded);
    bool isCollapsed() const { return m_collapsed; }
    // Whether the bar shows at all (no lower pane: the main pane fills the area).
    bool dividerShown() const;
    // As the closure button: toggles, then posts "dividerDidCollapse".
    void closureAction();

    // The segments' tags, in order.
    QList<int> segmentTags() const;
    int selectedTag() const;
    // Selects the segment with `tag`; false when there is none.
    bool selectTag(int tag);
    bool segmentsShown() const;

    // The lower pane's height, the bar not counted (while collapsed, the
    // height it comes back with).
    int lowerHeight() const { return m_lowerHeight; }
    // The part of the bar that drags the divider.
    QWidget* dragArea() const { return m_dragArea; }
    // Moves the divider `delta` up (down when negative), as a drag does:
    // nothing when either pane would get `minHeight` or smaller; otherwise
    // the height is stored (a drag stores it once, when the mouse goes up).
    void moveDivider(int delta);

    // The arithmetic of the divider, on the heights of the panes without the bar.
    // A drag by `delta` (up positive): the lower pane's new height, or none
    // when either pane would get `minHeight` or smaller.
    static std::optional<int> draggedLowerHeight(int upper, int lower, int minHeight, int delta);
    // The lower pane's height in `available` for both panes when it would
    // be `lower`: raised to `minHeight`, then lowered until the main pane has
    // `minHeight`; the lower pane gives way first.
    static int fittedLowerHeight(int available, int lower, int minHeight);

    QSize minimumSizeHint() const override;

signals:
    // The user chose a segment.
    void segmentChosen(int tag);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void addSegment(const QString& label, int tag);
    void clearSegments();
    // Places the panes; with `fit`, first fits the lower pane's height to
    // the area and stores it when that changed it.
    void layoutPanes(bool fit);
    // One step of a drag; true when the divider moved.
    bool dragStep(int delta);
    void rememberHeight();
    int storedHeight() const;
    int barHeight() const;

    QWidget* m_top;
    QWidget* m_bottom;
    QWidget* m_lower;
    QWidget* m_bar;
    QWidget* m_dragArea;
    QHBoxLayout* m_segmentRow;
    QToolButton* m_closure;
    QButtonGroup* m_segments;
    int m_minHeight = 64;
    int m_lowerHeight = 0;
    std::optional<qreal> m_dragY; // the mouse's last height of a drag, on the screen
    bool m_dragMoved = false;
    // A window being resized changes the height at every step: it is stored
    // once the steps pause.
    QTimer* m_resizeStore;
    bool m_collapsed = false;
    bool m_hasLowerPane = false;
};
