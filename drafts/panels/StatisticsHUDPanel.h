// The draft window's Word Count panel: paragraphs, lines, words, letters and characters.
#pragma once

#include "TextStatistics.h"

#include <QFrame>
#include <QFutureWatcher>
#include <memory>

class Draft;
class QLabel;
class QPushButton;

// Shows the numbers of the post as its editors last handed it over. The
// counting runs on a worker thread (the window never waits for it) with the
// panel's own counter, which remembers the numbers of the blocks it saw, so
// that the recount after each commit while the panel is open is quick. The
// fields show "..." until the numbers are in.
class StatisticsHUDPanel : public QFrame {
    Q_OBJECT
public:
    explicit StatisticsHUDPanel(Draft& draft, QWidget* parent = nullptr);
    ~StatisticsHUDPanel() override;

    // Sets the fields to "..."; called each time the panel opens.
    void opened();
    // Counts the entry as it stands now; a count still running is
    // superseded: only the latest text's numbers show.
    void recount();
    void done() { emit finished(); }

    // The five fields' texts, in order: paragraphs, lines, words, letters, characters.
    QStringList fieldTexts() const;
    bool isCounting() const;

signals:
    void finished();
    // The numbers of the latest text are shown.
    void counted(const TextCounts& counts);

private:
    void startCount(const QString& html);
    void showCounts(const TextCounts& counts);

    Draft& m_draft;
    QLabel* m_fields[5];
    QPushButton* m_done;
    // Shared with the worker, so a count still running when the panel goes
    // keeps its counter alive.
    std::shared_ptr<TextStatistics> m_counter;
    QFutureWatcher<TextCounts>* m_watcher;
    QString m_waiting; // text asked for while a count ran
    bool m_hasWaiting = false;
    quint64 m_request = 0; // bumps with every recount; stale formatter answers are dropped
};
