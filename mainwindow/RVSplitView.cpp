#include "RVSplitView.h"

#include <QChildEvent>
#include <QPainter>
#include <QStyle>

namespace {

class RVSplitHandle : public QSplitterHandle {
public:
    using QSplitterHandle::QSplitterHandle;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QSplitterHandle::paintEvent(event);
        QPainter painter(this);
        const QColor line = RVSplitView::dividerLineColor(palette());
        painter.fillRect(QRect(0, 0, width(), 1), line);
        painter.fillRect(QRect(0, height() - 1, width(), 1), line);
    }
};

} // namespace

QColor RVSplitView::dividerLineColor(const QPalette& palette)
{
    // A hairline a little apart from the window: darker on a light one,
    // lighter on a dark one.
    return palette.color(QPalette::Mid);
}

RVSplitView::RVSplitView(QWidget* parent) : QSplitter(Qt::Vertical, parent)
{
    m_thickness = style()->pixelMetric(QStyle::PM_SplitterWidth, nullptr, this) + 2;
    setHandleWidth(m_thickness);
    setChildrenCollapsible(false);
    connect(this, &QSplitter::splitterMoved, this, [this] { emit subviewsResized(); });
}

void RVSplitView::childEvent(QChildEvent* event)
{
    QSplitter::childEvent(event);
    if (event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildPolished)
        applyLimits();
}

void RVSplitView::applyLimits()
{
    // Only the preview can collapse; each keeps its minimum while shown.
    if (count() > 0) {
        setCollapsible(0, false);
        widget(0)->setMinimumHeight(minimumListHeight);
    }
    if (count() > 1) {
        setCollapsible(1, true);
        widget(1)->setMinimumHeight(minimumPreviewHeight);
    }
}

QSplitterHandle* RVSplitView::createHandle()
{
    return new RVSplitHandle(orientation(), this);
}

void RVSplitView::setCollapsedMode(bool collapsed)
{
    m_collapsedMode = collapsed;
    setHandleWidth(collapsed ? 0 : m_thickness);
    if (count() > 1)
        handle(1)->setEnabled(!collapsed);
}

int RVSplitView::dividerThickness() const
{
    return m_collapsedMode ? 0 : m_thickness;
}

bool RVSplitView::isSubviewCollapsed(int index) const
{
    if (index < 0 || index >= count())
        return false;
    return sizes().value(index) == 0 || widget(index)->height() == 0 ||
           !widget(index)->isVisibleTo(this);
}

void RVSplitView::collapseSubview(bool collapse)
{
    if (count() < 2)
        return;
    if (collapse && !m_collapsedMode) {
        m_savedSizes = sizes();
        setCollapsedMode(true);
        setSizes({m_savedSizes.value(0) + m_savedSizes.value(1), 0});
    } else if (!collapse && m_collapsedMode) {
        setCollapsedMode(false);
        if (m_savedSizes.value(1) > 0)
            setSizes(m_savedSizes);
        else
            setSizes({height() - minimumPreviewHeight * 2, minimumPreviewHeight * 2});
    }
    emit subviewsResized();
}

void RVSplitView::resizeEvent(QResizeEvent* event)
{
    QSplitter::resizeEvent(event);
    if (m_collapsedMode && count() > 1 && sizes().value(1) != 0)
        setSizes({height(), 0});
    emit subviewsResized();
}
