#include "RVDiffTool.h"

#include "Entry.h"

#include <QCoreApplication>
#include <QThread>

RVDiffTool& RVDiffTool::sharedInstance()
{
    // Never destroyed: entries may report differences during static destruction.
    static auto* tool = new RVDiffTool;
    return *tool;
}

RVDiffTool::RVDiffTool(QObject* parent) : QObject(parent) {}

RVDiffTool::~RVDiffTool() = default;

void RVDiffTool::addEntry(const EntryPtr& entry)
{
    if (!entry)
        return;
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this, entry] { addEntry(entry); }, Qt::QueuedConnection);
        return;
    }
    if (contains(entry.get()))
        return;
    m_entries.append(entry);
    emit entriesChanged();
    emit entryAdded(entry.get());
}

void RVDiffTool::removeEntry(const Entry* entry)
{
    const qsizetype before = m_entries.size();
    m_entries.removeIf([entry](const std::weak_ptr<Entry>& listed) {
        const EntryPtr held = listed.lock();
        return !held || held.get() == entry;
    });
    if (m_entries.size() != before)
        emit entriesChanged();
}

bool RVDiffTool::contains(const Entry* entry) const
{
    for (const auto& listed : m_entries) {
        if (listed.lock().get() == entry)
            return true;
    }
    return false;
}

QList<EntryPtr> RVDiffTool::entries() const
{
    QList<EntryPtr> alive;
    for (const auto& listed : m_entries) {
        if (EntryPtr held = listed.lock())
            alive.append(held);
    }
    return alive;
}
