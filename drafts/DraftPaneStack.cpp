#include "DraftPaneStack.h"

#include "Localization.h"
#include "NotificationCenter.h"
#include "UserDefaults.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

namespace {

constexpr int expandedBarHeight = 21;
constexpr int collapsedBarHeight = 20;
constexpr int defaultLowerHeight = 160;
constexpr int resizeStoreDelayMsec = 250;
// A stored height above this is no height a screen has: the factory value instead.
constexpr double largestStoredHeight = 100000;

QString summaryHeightKey()
{
    return QStringLiteral("summary_height");
}

} // namespace

DraftPaneStack::DraftPaneStack(QWidget* top, QWidget* bottom, QWidget* parent)
    : QWidget(parent), m_top(top), m_bottom(bottom), m_lowerHeight(storedHeight())
{
    m_lower = new QWidget(this);
    auto* lowerLayout = new QVBoxLayout(m_lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    lowerLayout->setSpacing(0);

    m_bar = new QWidget(m_lower);
    m_bar->setFixedHeight(expandedBarHeight);
    m_bar->setAutoFillBackground(true);
    auto* barLayout = new QHBoxLayout(m_bar);
    barLayout->setContentsMargins(4, 0, 4, 0);
    barLayout->setSpacing(0);
    m_closure = new QToolButton(m_bar);
    m_closure->setCheckable(true);
    m_closure->setAutoRaise(true);
    m_closure->setArrowType(Qt::DownArrow);
    m_closure->setToolTip(localized("RVDividerView", "Show or hide the lower pane"));
    barLayout->addWidget(m_closure);
    m_segmentRow = new QHBoxLayout;
    m_segmentRow->setSpacing(0);
    barLayout->addLayout(m_segmentRow);
    m_dragArea = new QWidget(m_bar);
    m_dragArea->setObjectName(QStringLiteral("dividerDragArea"));
    m_dragArea->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_dragArea->installEventFilter(this);
    barLayout->addWidget(m_dragArea, 1);
    m_segments = new QButtonGroup(this);
    m_segments->setExclusive(true);

    lowerLayout->addWidget(m_bar);
    bottom->setParent(m_lower);
    lowerLayout->addWidget(bottom, 1);
    top->setParent(this);

    connect(m_closure, &QToolButton::clicked, this, [this](bool checked) {
        refreshViews(checked);
        NotificationCenter::sharedInstance().post(QStringLiteral("dividerDidCollapse"), this);
    });
    connect(m_segments, &QButtonGroup::idClicked, this, &DraftPaneStack::segmentChosen);
    m_resizeStore = new QTimer(this);
    m_resizeStore->setSingleShot(true);
    m_resizeStore->setInterval(resizeStoreDelayMsec);
    connect(m_resizeStore, &QTimer::timeout, this, &DraftPaneStack::rememberHeight);
}

DraftPaneStack::~DraftPaneStack()
{
    if (m_resizeStore->isActive())
        rememberHeight();
}

void DraftPaneStack::setMinHeight(int height)
{
    m_minHeight = height > 0 ? height : 64;
    updateGeometry();
    layoutPanes(true);
}

void DraftPaneStack::setupViews(int paneCode, bool plugin, bool expanded)
{
    clearSegments();
    if (m_resizeStore->isActive()) {
        m_resizeStore->stop();
        rememberHeight();
    }
    m_hasLowerPane = paneCode > 0 || plugin;
    m_lowerHeight = storedHeight();
    if (!m_hasLowerPane) {
        m_lower->hide();
        updateGeometry();
        layoutPanes(false);
        return;
    }
    if (paneCode == 1 || paneCode == 3)
        addSegment(localized("RVDividerView", "Extended"), Extended);
    if (paneCode == 2 || paneCode == 3)
        addSegment(localized("RVDividerView", "Summary"), Summary);
    if (plugin)
        addSegment(localized("RVDividerView", "Extra"), Extra);
    m_lower->show();
    refreshViews(expanded);
    // Right after set-up even a single segment shows; a lone plug-in pane never
    // shows its segment.
    for (QAbstractButton* button : m_segments->buttons())
        button->setVisible(expanded && paneCode > 0);
}

void DraftPaneStack::refreshViews(bool expanded)
{
    m_collapsed = !expanded;
    m_closure->setChecked(expanded);
    m_closure->setArrowType(expanded ? Qt::DownArrow : Qt::RightArrow);
    const bool showSegments = expanded && m_segments->buttons().size() >= 2;
    for (QAbstractButton* button : m_segments->buttons())
        button->setVisible(showSegments);
    m_bottom->setVisible(expanded);
    m_bar->setFixedHeight(barHeight());
    if (expanded)
        m_dragArea->setCursor(Qt::SizeVerCursor);
    else
        m_dragArea->unsetCursor();
    m_dragY.reset();
    updateGeometry();
    // A stored height too large for the window is cut down here, once the
    // window has its size; before that, at its first showing.
    layoutPanes(true);
}

bool DraftPaneStack::dividerShown() const
{
    return m_hasLowerPane;
}

void DraftPaneStack::closureAction()
{
    m_closure->click();
}

QList<int> DraftPaneStack::segmentTags() const
{
    QList<int> tags;
    for (QAbstractButton* button : m_segments->buttons())
        tags.append(m_segments->id(button));
    return tags;
}

int DraftPaneStack::selectedTag() const
{
    return m_segments->checkedId();
}

bool DraftPaneStack::selectTag(int tag)
{
    QAbstractButton* button = m_segments->button(tag);
    if (!button)
        return false;
    button->setChecked(true);
    return true;
}

bool DraftPaneStack::segmentsShown() const
{
    const QList<QAbstractButton*> buttons = m_segments->buttons();
    return !buttons.isEmpty() && !buttons.first()->isHidden();
}

void DraftPaneStack::addSegment(const QString& label, int tag)
{
    auto* button = new QToolButton(m_bar);
    button->setText(label);
    button->setCheckable(true);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_segments->addButton(button, tag);
    m_segmentRow->addWidget(button);
}

void DraftPaneStack::clearSegments()
{
    for (QAbstractButton* button : m_segments->buttons()) {
        m_segments->removeButton(button);
        delete button;
    }
}

int DraftPaneStack::barHeight() const
{
    return m_collapsed ? collapsedBarHeight : expandedBarHeight;
}

std::optional<int> DraftPaneStack::draggedLowerHeight(int upper, int lower, int minHeight,
                                                      int delta)
{
    const int newLower = lower + delta;
    const int newUpper = upper - delta;
    if (newLower <= minHeight || newUpper <= minHeight)
        return std::nullopt;
    return newLower;
}

int DraftPaneStack::fittedLowerHeight(int available, int lower, int minHeight)
{
    const int raised = std::max(lower, minHeight);
    return std::max(std::min(raised, available - minHeight), 0);
}

QSize DraftPaneStack::minimumSizeHint() const
{
    // Room for the main pane, and for the lower pane while it shows: the
    // window gets no shorter than that.
    int height = m_minHeight;
    if (m_hasLowerPane)
        height += barHeight() + (m_collapsed ? 0 : m_minHeight);
    const int width = std::max(m_top->minimumSizeHint().width(),
                               m_hasLowerPane ? m_lower->minimumSizeHint().width() : 0);
    return {width, height};
}

void DraftPaneStack::moveDivider(int delta)
{
    if (dragStep(delta))
        rememberHeight();
}

bool DraftPaneStack::dragStep(int delta)
{
    if (!m_hasLowerPane || m_collapsed)
        return false;
    const std::optional<int> lower =
        draggedLowerHeight(m_top->height(), m_lowerHeight, m_minHeight, delta);
    if (!lower)
        return false;
    m_lowerHeight = *lower;
    layoutPanes(false);
    return true;
}

void DraftPaneStack::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutPanes(true);
}

bool DraftPaneStack::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_dragArea)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton || m_collapsed || !m_hasLowerPane)
            break;
        m_dragY = mouse->globalPosition().y();
        m_dragMoved = false;
        return true;
    }
    case QEvent::MouseMove: {
        if (!m_dragY)
            break;
        const qreal y = static_cast<QMouseEvent*>(event)->globalPosition().y();
        const int delta = qRound(*m_dragY - y);
        // A refused step still moves on from here: the divider stops at the
        // limit and follows again once the mouse comes back.
        m_dragY = y;
        if (dragStep(delta))
            m_dragMoved = true;
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (!m_dragY)
            break;
        m_dragY.reset();
        // Once per drag: the preferences are written to disk at each change.
        if (std::exchange(m_dragMoved, false))
            rememberHeight();
        return true;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void DraftPaneStack::layoutPanes(bool fit)
{
    const int total = height();
    if (!m_hasLowerPane) {
        m_top->setGeometry(0, 0, width(), total);
        return;
    }
    const int bar = barHeight();
    int lower = 0;
    if (!m_collapsed) {
        // Until the window shows, the area has no size of its own to fit to.
        if (fit && window()->isVisible()) {
            const int fitted = fittedLowerHeight(total - bar, m_lowerHeight, m_minHeight);
            if (fitted != m_lowerHeight) {
                m_lowerHeight = fitted;
                m_resizeStore->start();
            }
        }
        lower = m_lowerHeight;
    }
    const int upper = std::max(total - bar - lower, 0);
    m_top->setGeometry(0, 0, width(), upper);
    m_lower->setGeometry(0, upper, width(), bar + lower);
}

void DraftPaneStack::rememberHeight()
{
    if (m_collapsed || !m_hasLowerPane)
        return;
    UserDefaults::sharedInstance().setValue(summaryHeightKey(), double(m_lowerHeight));
}

int DraftPaneStack::storedHeight() const
{
    const double stored = UserDefaults::sharedInstance().real(summaryHeightKey());
    return stored >= 1 && stored <= largestStoredHeight ? int(stored) : defaultLowerHeight;
}
