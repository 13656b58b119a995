#pragma once

#include <QList>
#include <QWidget>

class QButtonGroup;
class QHBoxLayout;
class QSplitter;
class QToolButton;

// The editing area of a draft window: the main pane on top, below it a bar
// with the closure button and the segments that choose the lower pane
// (extended text, summary, the blog system's panel), and the lower pane.
// The lower pane's height is kept in "summary_height".
//
// Collapsing takes the lower pane away and leaves the bar; each toggle by
// the user posts "dividerDidCollapse" with the stack as object.
class DraftPaneStack : public QWidget {
    Q_OBJECT
public:
    enum Segment { Extended = 0, Summary = 1, Extra = 2 };

    DraftPaneStack(QWidget* top, QWidget* bottom, QWidget* parent = nullptr);

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

signals:
    // The user chose a segment.
    void segmentChosen(int tag);

private:
    void addSegment(const QString& label, int tag);
    void clearSegments();
    void applyHeights();
    void rememberHeight();
    int storedHeight() const;

    QWidget* m_top;
    QWidget* m_bottom;
    QSplitter* m_splitter;
    QWidget* m_lower;
    QWidget* m_bar;
    QHBoxLayout* m_segmentRow;
    QToolButton* m_closure;
    QButtonGroup* m_segments;
    int m_minHeight = 64;
    bool m_collapsed = false;
    bool m_hasLowerPane = false;
};
