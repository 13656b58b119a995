#pragma once

#include "ActiveJobs.h"
#include "ActivityItem.h"

#include <QAbstractListModel>
#include <QList>

class Clock;

// The list of running server jobs, oldest first: one ActivityItem per job.
// Every road registers its row here and the row starts the job when the
// account is free. The Activity window shows this model; the quit and update
// checks ask hasActiveItems(). The selection and its rules live here too, so
// the window only passes clicks and keys on.
//
// Registering a job (the road's side):
//
//     ActivityItem* row = ActivityList::sharedInstance().newActivity(
//         account, tr("Publishing \"%1\"...").arg(title), [this] { return tryStart(); });
//     connect(row, &ActivityItem::cancelRequested, this, &Road::stop);
//     connect(row, &ActivityItem::withdrawn, this, &Road::abandon);
//     row->callAction();
//
// A road that is a Job uses JobActivity instead, which does all of that.
class ActivityList : public QAbstractListModel, public ActiveJobs {
    Q_OBJECT
public:
    enum Role {
        StatusRole = Qt::UserRole + 1, // QString
        SubStatusRole,                 // QString
        ErrorTextRole,                 // QString: "An error occurred: “…”", or empty
        ErrorMessageRole,              // QString: the message alone (the error line's tool tip)
        StateRole,                     // ActivityItem::State as int
        SelectedRole,                  // bool
        DeterminateRole,               // bool
        ProgressRole,                  // double
        MaximumRole,                   // double
        AnimatedRole,                  // bool
        ItemRole,                      // ActivityItem* as QObject*
    };

    // The retry interval of a row whose job must wait.
    static constexpr qint64 defaultRetryInterval = 2000;

    explicit ActivityList(QObject* parent = nullptr);
    ~ActivityList() override;

    // The list of the program; lives until the program ends. It answers
    // ActiveJobs for the parts below that must not interrupt running jobs.
    static ActivityList& sharedInstance();

    // A new row at the bottom, showing `status` and "In queue...". `account`
    // is the account the job waits for (null for a job that waits for none);
    // the caller then calls callAction() on the row.
    ActivityItem* newActivity(Account* account, const QString& status,
                              ActivityItem::StartAction start);

    // How long a waiting row waits before it asks its job again.
    qint64 retryInterval() const { return m_retryInterval; }
    void setRetryInterval(qint64 msec) { m_retryInterval = msec; }
    // The clock of the retries; the system clock unless a test hands in its own.
    Clock& clock() const { return *m_clock; }
    void setClock(Clock* clock);

    int count() const { return static_cast<int>(m_items.size()); }
    const QList<ActivityItem*>& items() const { return m_items; }
    // Null outside the list.
    ActivityItem* itemAt(int index) const;
    // -1 when the row is not in the list.
    int indexOf(const ActivityItem* item) const;
    // Takes the row out (it is deleted later); rows of other lists are ignored.
    void removeItem(ActivityItem* item);
    // Ignored unless 0 ≤ index < count().
    void removeItemAt(int index);

    // Any row that is not an error row.
    bool hasActiveItems() const override;
    // "1 process" for exactly one row, else "%1 processes".
    QString countString() const;

    // --- selection ---

    // Selects the row and enables the Clear button.
    void selectItem(int index);
    void selectAll();
    // Deselects every row and disables the Clear button.
    void deselectAll();
    // Selects the row (the first row for an index outside the list) without
    // deselecting others, and asks the window to bring it into view.
    void selectItemAt(int index);
    // The last selected index when `fromEnd`, else the first; -1 for none.
    int indexOfSelectedItem(bool fromEnd) const;
    bool isClearEnabled() const { return m_clearEnabled; }

    // A click on a row: plain (and every double click) selects only it;
    // with Shift it selects the run from the topmost selected row above it,
    // or else down to the lowest selected row; with Control (Command) it
    // toggles the row. Indexes outside the list do nothing.
    void click(int index, Qt::KeyboardModifiers modifiers, bool doubleClick = false);
    // Backspace and Delete clear, Up and Down move the selection. Answers
    // whether the list took the key (only with rows); others go on.
    bool handleKey(int key);
    // Stops every selected row, then selects the row that takes the place of
    // the first one, or disables the Clear button.
    void clear();

    // QAbstractListModel
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

signals:
    void countStringChanged(const QString& countString);
    void clearEnabledChanged(bool enabled);
    // A row turned into an error row: the window comes to the front.
    void errorRaised(ActivityItem* item);
    // The window should scroll so that the row is visible.
    void revealRequested(int index);

private:
    friend class ActivityItem;
    void itemChanged(ActivityItem* item);
    void setClearEnabled(bool enabled);
    void announceCount();

    QList<ActivityItem*> m_items;
    Clock* m_clock;
    qint64 m_retryInterval = defaultRetryInterval;
    bool m_clearEnabled = false;
};
