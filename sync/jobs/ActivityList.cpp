#include "ActivityList.h"

#include "Localization.h"

ActivityList::ActivityList(QObject* parent) : QAbstractListModel(parent), m_clock(&Clock::system())
{
}

ActivityList::~ActivityList() = default;

ActivityList& ActivityList::sharedInstance()
{
    static ActivityList* instance = [] {
        auto* list = new ActivityList;
        ActiveJobs::setSharedInstance(list);
        return list;
    }();
    return *instance;
}

void ActivityList::setClock(Clock* clock)
{
    m_clock = clock ? clock : &Clock::system();
}

ActivityItem* ActivityList::newActivity(Account* account, const QString& status,
                                        ActivityItem::StartAction start)
{
    auto* item = new ActivityItem(this, account, status, std::move(start));
    const int row = count();
    beginInsertRows({}, row, row);
    m_items.append(item);
    endInsertRows();
    announceCount();
    return item;
}

ActivityItem* ActivityList::itemAt(int index) const
{
    return index >= 0 && index < count() ? m_items.at(index) : nullptr;
}

int ActivityList::indexOf(const ActivityItem* item) const
{
    return static_cast<int>(m_items.indexOf(const_cast<ActivityItem*>(item)));
}

void ActivityList::removeItem(ActivityItem* item)
{
    removeItemAt(indexOf(item));
}

void ActivityList::removeItemAt(int index)
{
    ActivityItem* item = itemAt(index);
    if (!item)
        return;
    item->m_retry.reset();
    beginRemoveRows({}, index, index);
    m_items.removeAt(index);
    item->m_state = ActivityItem::State::Removed;
    endRemoveRows();
    // Later: the row may be removed from inside one of its own signals.
    item->deleteLater();
    announceCount();
}

bool ActivityList::hasActiveItems() const
{
    return std::any_of(m_items.cbegin(), m_items.cend(),
                       [](const ActivityItem* item) { return item->isActive(); });
}

QString ActivityList::countString() const
{
    if (count() == 1)
        return localized("ActivityController", "1 process");
    return localized("ActivityController", "%1 processes").arg(count());
}

void ActivityList::announceCount()
{
    emit countStringChanged(countString());
}

void ActivityList::itemChanged(ActivityItem* item)
{
    const int row = indexOf(item);
    if (row < 0)
        return;
    const QModelIndex changed = index(row);
    emit dataChanged(changed, changed);
}

// --- selection ---

void ActivityList::setClearEnabled(bool enabled)
{
    if (m_clearEnabled == enabled)
        return;
    m_clearEnabled = enabled;
    emit clearEnabledChanged(enabled);
}

void ActivityList::selectItem(int index)
{
    if (ActivityItem* item = itemAt(index)) {
        item->setSelected(true);
        setClearEnabled(true);
    }
}

void ActivityList::selectAll()
{
    for (int i = 0; i < count(); ++i)
        selectItem(i);
}

void ActivityList::deselectAll()
{
    for (ActivityItem* item : std::as_const(m_items))
        item->setSelected(false);
    setClearEnabled(false);
}

void ActivityList::selectItemAt(int index)
{
    if (count() == 0)
        return;
    if (index < 0 || index >= count())
        index = 0;
    emit revealRequested(index);
    selectItem(index);
}

int ActivityList::indexOfSelectedItem(bool fromEnd) const
{
    if (fromEnd) {
        for (int i = count() - 1; i >= 0; --i)
            if (m_items.at(i)->isSelected())
                return i;
        return -1;
    }
    for (int i = 0; i < count(); ++i)
        if (m_items.at(i)->isSelected())
            return i;
    return -1;
}

void ActivityList::click(int index, Qt::KeyboardModifiers modifiers, bool doubleClick)
{
    ActivityItem* clicked = itemAt(index);
    if (!clicked)
        return;
    if (!doubleClick && modifiers.testFlag(Qt::ShiftModifier)) {
        const int first = indexOfSelectedItem(false);
        int from = index;
        int to = index;
        if (first >= 0 && first < index)
            from = first;
        else if (first >= 0)
            to = indexOfSelectedItem(true);
        deselectAll();
        for (int i = from; i <= to; ++i)
            selectItem(i);
        return;
    }
    if (!doubleClick && modifiers.testFlag(Qt::ControlModifier)) {
        clicked->setSelected(!clicked->isSelected());
        setClearEnabled(indexOfSelectedItem(false) >= 0);
        return;
    }
    deselectAll();
    selectItem(index);
}

bool ActivityList::handleKey(int key)
{
    if (count() == 0)
        return false;
    switch (key) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        clear();
        return true;
    case Qt::Key_Down: {
        const int next = indexOfSelectedItem(false) + 1; // the first row when none is selected
        deselectAll();
        selectItemAt(next);
        return true;
    }
    case Qt::Key_Up: {
        const int last = indexOfSelectedItem(true);
        const int previous = last < 0 ? count() - 1 : qMax(0, last - 1);
        deselectAll();
        selectItemAt(previous);
        return true;
    }
    default:
        return false;
    }
}

void ActivityList::clear()
{
    const int first = indexOfSelectedItem(false);
    // Stopping may remove rows and start others' ends: work on a guarded copy.
    QList<QPointer<ActivityItem>> selected;
    for (ActivityItem* item : std::as_const(m_items))
        if (item->isSelected())
            selected.append(item);
    for (const QPointer<ActivityItem>& item : selected)
        if (item && item->state() != ActivityItem::State::Removed)
            item->stop();
    if (first >= 0 && first < count())
        selectItem(first);
    else
        setClearEnabled(false);
}

// --- model ---

int ActivityList::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant ActivityList::data(const QModelIndex& index, int role) const
{
    const ActivityItem* item = index.isValid() ? itemAt(index.row()) : nullptr;
    if (!item)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case StatusRole:
        return item->status();
    case Qt::ToolTipRole:
        return item->isError() ? item->errorMessage() : QVariant();
    case SubStatusRole:
        return item->subStatus();
    case ErrorTextRole:
        return item->errorText();
    case ErrorMessageRole:
        return item->errorMessage();
    case StateRole:
        return static_cast<int>(item->state());
    case SelectedRole:
        return item->isSelected();
    case DeterminateRole:
        return item->isDeterminate();
    case ProgressRole:
        return item->progress();
    case MaximumRole:
        return item->maximum();
    case AnimatedRole:
        return item->isAnimated();
    case ItemRole:
        return QVariant::fromValue(static_cast<QObject*>(const_cast<ActivityItem*>(item)));
    default:
        return {};
    }
}

QHash<int, QByteArray> ActivityList::roleNames() const
{
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(StatusRole, "status");
    names.insert(SubStatusRole, "subStatus");
    names.insert(ErrorTextRole, "errorText");
    names.insert(ErrorMessageRole, "errorMessage");
    names.insert(StateRole, "state");
    names.insert(SelectedRole, "selected");
    names.insert(DeterminateRole, "determinate");
    names.insert(ProgressRole, "progress");
    names.insert(MaximumRole, "maximum");
    names.insert(AnimatedRole, "animated");
    names.insert(ItemRole, "item");
    return names;
}
