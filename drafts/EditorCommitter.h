#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <optional>

class DraftEditor;
class QWidget;

// One editor of a draft window as the commit sees it.
struct EditorSlot {
    DraftEditor* editor = nullptr;
    QPointer<QWidget> widget;   // the editor's widget; the slot is empty once it is gone
    QString lastKnown;          // what the editor last handed over, or was given
    bool handedOver = false;    // lastKnown came from the editor (stored form)
    bool failed = false;        // it said it can no longer answer
    bool changedByUser = false; // the user changed it since the draft filled it
    // What the draft filled it with. Until the user changes the editor, a
    // commit takes this text back rather than the editor's rewriting of it:
    // a post nobody touched keeps its bytes and counts as unchanged.
    QString loaded;

    bool alive() const { return editor && widget; }
};

// "Commit, then continue": every road of a draft that reads its editors (save,
// close, switching the editor kind, the summary, the quit...) runs through
// run(). The committer asks each editor the road needs for its whole content,
// waits for every answer, then calls the road's continuation with the texts.
//
// - Roads that arrive while a commit or a continuation runs are queued and run
//   one after another, each with a commit of its own, since the road before
//   may have changed the editors.
// - An editor that does not answer within the time-out, or says it failed,
//   counts with the content it last handed over (EditorSlot::lastKnown); the
//   result names it, so the draft can tell the user. A late answer is ignored.
// - When every editor answers at once (the source view does), the
//   continuation runs before run() returns.
//
// Main thread only.
class EditorCommitter : public QObject {
    Q_OBJECT
public:
    // One editor to read and the entry field its content goes to.
    struct Reader {
        EditorSlot* slot = nullptr;
        QString key; // "body", "extended" or "summary"
    };
    struct Result {
        QString road;
        QHash<QString, QString> texts; // by Reader::key
        QStringList fellBack;          // keys whose editor did not answer
        bool complete() const { return fellBack.isEmpty(); }
    };
    using Readers = std::function<QList<Reader>()>;
    using Continuation = std::function<void(const Result&)>;

    static constexpr int defaultTimeout = 2000;

    // `readers` tells, when a commit starts, which editors it reads.
    explicit EditorCommitter(Readers readers, QObject* parent = nullptr);
    ~EditorCommitter() override;

    void setTimeout(int milliseconds) { m_timer.setInterval(milliseconds); }
    int timeout() const { return m_timer.interval(); }

    // Commits, then calls `then` with what the editors gave.
    void run(const QString& road, Continuation then);
    // An editor said it can no longer answer: a commit waiting on it goes on.
    void editorFailed(const EditorSlot* slot);
    // The running commit still waits for that editor's answer.
    bool isWaitingFor(const EditorSlot* slot) const;
    // Drops the queued roads; a running commit never continues. For good.
    void stop();

    // What a commit takes from `slot` in place of its answer: the text it was
    // filled with, while the user has not changed it.
    static std::optional<QString> untouchedText(const EditorSlot& slot);

    // A commit or a continuation is under way.
    bool busy() const { return m_active; }
    bool stopped() const { return m_stopped; }
    QString currentRoad() const { return m_current.road; }
    QStringList queuedRoads() const;

signals:
    // A commit went on without some editor's answer (keys as in Result).
    void fellBack(const QString& road, const QStringList& keys);

private:
    struct Pending {
        QString road;
        Continuation then;
    };

    void drain();
    void start();
    void answer(int index, const QString& text);
    void fallBack(int index);
    void timedOut();
    bool allAnswered() const;
    void finish();

    Readers m_readers;
    QList<Pending> m_queue;
    Pending m_current;
    QList<Reader> m_reading;
    QList<bool> m_answered;
    Result m_result;
    QTimer m_timer;
    quint64 m_generation = 0;
    bool m_active = false;
    bool m_asking = false;   // inside the loop that asks the editors
    bool m_draining = false; // inside drain()
    bool m_stopped = false;
};
