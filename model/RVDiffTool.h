#pragma once

#include "ModelTypes.h"

#include <QList>
#include <QObject>
#include <memory>

// The entries whose server copy differs from what was sent: the list the
// comparison window shows. A registry without widgets; the window observes it
// (entriesChanged) and comes to the front on entryAdded. Each listed entry
// keeps its `diffs` and publish buffers until the user has dealt with it.
//
// Main thread only: addEntry() from another thread is carried over to the
// main thread and returns at once.
class RVDiffTool : public QObject {
    Q_OBJECT
public:
    static RVDiffTool& sharedInstance();

    explicit RVDiffTool(QObject* parent = nullptr);
    ~RVDiffTool() override;

    // Lists the entry unless it is listed already, and then announces
    // entryAdded (the window comes forward when it is hidden). An entry listed
    // already changes nothing.
    void addEntry(const EntryPtr& entry);
    void removeEntry(const Entry* entry);
    bool contains(const Entry* entry) const;
    QList<EntryPtr> entries() const;

signals:
    void entriesChanged();
    void entryAdded(Entry* entry);

private:
    QList<std::weak_ptr<Entry>> m_entries;
};
