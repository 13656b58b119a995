#include "DraftPaneStack.h"

#include "Localization.h"
#include "NotificationCenter.h"
#include "UserDefaults.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QHBoxLayout>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int barHeight = 21;
constexpr int defaultLowerHeight = 160;

QString summaryHeightKey()
{
    return QStringLiteral("summary_height");
}

} // namespace

DraftPaneStack::DraftPaneStack(QWidget* top, QWidget* bottom, QWidget* parent)
    : QWidget(parent), m_top(top), m_bottom(bottom)
{
    m_splitter = new QSplitter(Qt::Vertical, this);
    m_splitter->setChildrenCollapsible(false);
    m_splitter->setHandleWidth(1);

    m_lower = new QWidget(m_splitter);
    auto* lowerLayout = new QVBoxLayout(m_lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    lowerLayout->setSpacing(0);

    m_bar = new QWidget(m_lower);
    m_bar->setFixedHeight(barHeight);
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
    barLayout->addStretch(1);
    m_segments = new QButtonGroup(this);
    m_segments->setExclusive(true);

    lowerLayout->addWidget(m_bar);
    bottom->setParent(m_lower);
    lowerLayout->addWidget(bottom, 1);

    top->setParent(m_splitter);
    m_splitter->addWidget(top);
    m_splitter->addWidget(m_lower);
    m_splitter->setStretchFactor(0, 1);
    m_splitter->setStretchFactor(1, 0);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_splitter);

    connect(m_closure, &QToolButton::clicked, this, [this](bool checked) {
        refreshViews(checked);
        NotificationCenter::sharedInstance().post(QStringLiteral("dividerDidCollapse"), this);
    });
    connect(m_segments, &QButtonGroup::idClicked, this, &DraftPaneStack::segmentChosen);
    connect(m_splitter, &QSplitter::splitterMoved, this, [this] { rememberHeight(); });
}

void DraftPaneStack::setMinHeight(int height)
{
    m_minHeight = height > 0 ? height : 64;
    m_top->setMinimumHeight(m_minHeight);
    m_bottom->setMinimumHeight(m_minHeight);
}

void DraftPaneStack::setupViews(int paneCode, bool plugin, bool expanded)
{
    clearSegments();
    m_hasLowerPane = paneCode > 0 || plugin;
    if (!m_hasLowerPane) {
        m_lower->hide();
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
    applyHeights();
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

void DraftPaneStack::applyHeights()
{
    const int total = m_splitter->height() > 0 ? m_splitter->height() : height();
    const int lower = m_collapsed ? barHeight : barHeight + storedHeight();
    m_lower->setMaximumHeight(m_collapsed ? barHeight : QWIDGETSIZE_MAX);
    m_splitter->setSizes({std::max(total - lower, m_minHeight), lower});
}

void DraftPaneStack::rememberHeight()
{
    if (m_collapsed || !m_hasLowerPane)
        return;
    UserDefaults::sharedInstance().setValue(summaryHeightKey(), double(m_bottom->height()));
}

int DraftPaneStack::storedHeight() const
{
    const double stored = UserDefaults::sharedInstance().real(summaryHeightKey());
    return stored >= 1 ? int(stored) : defaultLowerHeight;
}
