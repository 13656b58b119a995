#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

class Entry;

// Makes a preview's pages with the entry's formatter on a worker thread, one
// run at a time: asks that arrive during a run fold into one more run, for the
// entry asked for last, and a page made for an earlier ask is never shown.
class PreviewFormatting : public QObject {
    Q_OBJECT
public:
    using Ready = std::function<void(Entry& entry, const QString& html)>;

    PreviewFormatting(QObject* parent, Ready ready);

    void ask(Entry& entry);
    // Nothing asked so far is shown.
    void drop();
    bool isRunning() const { return m_running; }

private:
    void run(Entry& entry);

    Ready m_ready;
    QPointer<Entry> m_wanted;
    quint64 m_serial = 0;
    bool m_running = false;
};
