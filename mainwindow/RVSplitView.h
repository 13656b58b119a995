#pragma once

#include <QSplitter>

// The split between the entries list (above) and the preview (below). Only
// the preview collapses. In collapsed mode the divider has no thickness and
// the list takes the whole height; otherwise the divider is two points
// thicker than the style's and drawn with a grey line along each edge. A
// drag keeps the list at least 104 points and the preview at least 80 points
// high, or collapses the preview.
class RVSplitView : public QSplitter {
    Q_OBJECT
public:
    static constexpr int minimumListHeight = 104;
    static constexpr int minimumPreviewHeight = 80;
    // The divider's two hairlines: the palette's mid tone.
    static QColor dividerLineColor(const QPalette& palette);

    explicit RVSplitView(QWidget* parent = nullptr);

    bool collapsedMode() const { return m_collapsedMode; }
    void setCollapsedMode(bool collapsed);

    // The divider as drawn now: 0 in collapsed mode.
    int dividerThickness() const;
    // The widget's height is 0, or the splitter holds it collapsed.
    bool isSubviewCollapsed(int index) const;

    // Collapses the preview, remembering both heights, or gives them back.
    void collapseSubview(bool collapse);

signals:
    // After every resize of the two panes.
    void subviewsResized();

protected:
    QSplitterHandle* createHandle() override;
    void resizeEvent(QResizeEvent* event) override;
    void childEvent(QChildEvent* event) override;

private:
    void applyLimits();

    bool m_collapsedMode = false;
    int m_thickness;
    QList<int> m_savedSizes;
};
