#include "RVActivityView.h"

#include "ActivityItem.h"
#include "ActivityList.h"
#include "DesktopLinks.h"
#include "Localization.h"
#include "SupportPage.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QTimer>
#include <QToolTip>

using Button = RVActivityItem::Button;
using Look = RVActivityItem::Look;

RVActivityView::RVActivityView(QWidget* parent)
    : QListView(parent), m_delegate(new RVActivityItem(this)), m_animation(new QTimer(this))
{
    setItemDelegate(m_delegate);
    setUniformItemSizes(true);
    setSelectionMode(NoSelection); // the list keeps the selection and its rules
    setEditTriggers(NoEditTriggers);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(ScrollPerPixel);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);
    viewport()->setAutoFillBackground(true); // the palette's base below the rows
    m_animation->setInterval(50);
    connect(m_animation, &QTimer::timeout, this, &RVActivityView::animate);
}

RVActivityView::~RVActivityView() = default;

void RVActivityView::setActivityList(ActivityList* list)
{
    if (m_list)
        disconnect(m_list, nullptr, this, nullptr);
    m_list = list;
    setModel(list);
    if (!list)
        return;
    connect(list, &ActivityList::revealRequested, this,
            [this](int row) { scrollTo(model()->index(row, 0)); });
    connect(list, &QAbstractItemModel::dataChanged, this, &RVActivityView::updateAnimation);
    connect(list, &QAbstractItemModel::rowsInserted, this, &RVActivityView::updateAnimation);
    connect(list, &QAbstractItemModel::rowsRemoved, this, [this] {
        m_hover = {};
        m_pressed = {};
        m_delegate->setHovered(-1, Button::None, Look::Normal);
        updateAnimation();
    });
    updateAnimation();
}

void RVActivityView::setBackgroundColor(const QColor& color)
{
    m_delegate->setBackgroundColor(color);
    viewport()->update();
}

void RVActivityView::setTextColor(const QColor& color)
{
    m_delegate->setTextColor(color);
    viewport()->update();
}

int RVActivityView::requiredHeight() const
{
    const int rows = m_list ? m_list->count() : 0;
    return rows == 0 ? RVActivityItem::rowHeight : rows * RVActivityItem::rowHeight;
}

int RVActivityView::requiredWidth() const
{
    int width = 240;
    if (m_list)
        for (const ActivityItem* item : m_list->items())
            width = qMax(width, RVActivityItem::requiredWidth(item->status()));
    return width;
}

QRect RVActivityView::rowRect(int row) const
{
    return model() ? visualRect(model()->index(row, 0)) : QRect();
}

void RVActivityView::paintEvent(QPaintEvent* event)
{
    if (!m_list || m_list->count() == 0) {
        // Bands a row high, the list's colour first, then the base.
        QPainter painter(viewport());
        const int width = viewport()->width();
        for (int y = 0, band = 0; y < viewport()->height(); y += RVActivityItem::rowHeight, ++band)
            painter.fillRect(QRect(0, y, width, RVActivityItem::rowHeight),
                             m_delegate->groundOf(band, false, viewport()->palette()));
        return;
    }
    QListView::paintEvent(event);
}

RVActivityView::Hit RVActivityView::hitAt(const QPoint& position) const
{
    Hit hit;
    const QModelIndex index = indexAt(position);
    if (!index.isValid())
        return hit;
    hit.row = index.row();
    hit.button = RVActivityItem::buttonAt(visualRect(index), position, isErrorRow(hit.row));
    return hit;
}

bool RVActivityView::isErrorRow(int row) const
{
    const ActivityItem* item = m_list ? m_list->itemAt(row) : nullptr;
    return item && item->isError();
}

void RVActivityView::setHover(const Hit& hit, Look look)
{
    m_delegate->setHovered(hit.row, hit.button, look);
    viewport()->update();
}

void RVActivityView::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    if (!m_list || event->button() != Qt::LeftButton)
        return;
    const Hit hit = hitAt(event->position().toPoint());
    if (hit.row < 0) {
        // Empty space below the rows: nothing stays selected.
        m_list->deselectAll();
        return;
    }
    if (hit.button != Button::None) {
        m_pressed = hit;
        setHover(hit, Look::Pressed);
        return;
    }
    m_list->click(hit.row, event->modifiers());
}

void RVActivityView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (!m_list || event->button() != Qt::LeftButton)
        return;
    const Hit hit = hitAt(event->position().toPoint());
    if (hit.row >= 0 && hit.button == Button::None)
        m_list->click(hit.row, event->modifiers(), true);
}

void RVActivityView::mouseMoveEvent(QMouseEvent* event)
{
    const Hit hit = hitAt(event->position().toPoint());
    if (m_pressed.row >= 0) {
        const bool over = hit.row == m_pressed.row && hit.button == m_pressed.button;
        setHover(m_pressed, over ? Look::Pressed : Look::Normal);
        return;
    }
    // Buttons light up only in the active window.
    const Hit shown = isActiveWindow() ? hit : Hit{};
    if (shown.row != m_hover.row || shown.button != m_hover.button) {
        m_hover = shown;
        setHover(shown, Look::Rollover);
    }
}

void RVActivityView::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_pressed.row < 0)
        return;
    const Hit pressed = std::exchange(m_pressed, Hit{});
    const Hit hit = hitAt(event->position().toPoint());
    setHover(hit, Look::Rollover);
    if (hit.row == pressed.row && hit.button == pressed.button)
        press(pressed);
}

void RVActivityView::press(const Hit& hit)
{
    ActivityItem* item = m_list ? m_list->itemAt(hit.row) : nullptr;
    if (!item)
        return;
    if (hit.button == Button::Stop)
        item->stop();
    else if (hit.button == Button::Lookup)
        DesktopLinks::open(SupportPage::address(), this);
}

void RVActivityView::leaveEvent(QEvent* event)
{
    QListView::leaveEvent(event);
    if (m_pressed.row < 0 && m_hover.row >= 0) {
        m_hover = {};
        setHover(m_hover, Look::Normal);
    }
}

void RVActivityView::keyPressEvent(QKeyEvent* event)
{
    if (m_list && m_list->handleKey(event->key())) {
        event->accept();
        return;
    }
    // Other keys go on to the window.
    event->ignore();
}

bool RVActivityView::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const Hit hit = hitAt(help->pos());
        QString tip;
        if (hit.button == Button::Stop)
            tip = isErrorRow(hit.row) ? localized("RVActivityItem", "Remove action")
                                      : localized("RVActivityItem", "Stop action");
        else if (hit.row >= 0 && isErrorRow(hit.row) &&
                 RVActivityItem::errorRect(rowRect(hit.row)).contains(help->pos()))
            tip = m_list->itemAt(hit.row)->errorMessage();
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, viewport());
        return true;
    }
    return QListView::viewportEvent(event);
}

bool RVActivityView::event(QEvent* event)
{
    // A widget inside a window hears of its window losing the focus by this
    // event, not by ActivationChange, which only the window itself gets.
    if (event->type() == QEvent::WindowDeactivate && m_hover.row >= 0) {
        m_hover = {};
        setHover(m_hover, Look::Normal);
    }
    return QListView::event(event);
}

namespace {

bool anyAnimated(const ActivityList* list)
{
    if (!list)
        return false;
    const QList<ActivityItem*>& items = list->items();
    return std::any_of(items.cbegin(), items.cend(),
                       [](const ActivityItem* item) { return item->isAnimated(); });
}

} // namespace

void RVActivityView::updateAnimation()
{
    // A running animation stops itself once nothing moves (animate()).
    if (!m_animation->isActive() && anyAnimated(m_list))
        m_animation->start();
}

void RVActivityView::animate()
{
    if (!anyAnimated(m_list)) {
        m_animation->stop();
        return;
    }
    if (!isVisible())
        return;
    m_delegate->setPhase(++m_phase);
    // Only the bars on screen that move are drawn again.
    const QRect visible = viewport()->rect();
    const int first = qMax(0, indexAt(visible.topLeft()).row());
    for (int row = first; row < m_list->count(); ++row) {
        const QRect rect = rowRect(row);
        if (rect.top() > visible.bottom())
            break;
        if (m_list->itemAt(row)->isAnimated())
            viewport()->update(RVActivityItem::progressRect(rect));
    }
}
