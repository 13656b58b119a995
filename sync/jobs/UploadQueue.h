#pragma once

#include "ModelTypes.h"
#include "UploadRoad.h"

#include <QList>
#include <QObject>
#include <QString>
#include <functional>

class UploadJob;

// The attachments window's upload of its selection: the attachments go up one
// after another, each sent afresh (its addresses cleared first) and each
// starting only when the one before it ended well. The first failure stops
// the queue and leaves its message to show; Cancel stops the running
// transfer and ends the queue. An attachment keeps the addresses it had
// unless its new upload ends well, so that a failed or stopped upload never
// turns an uploaded file into one that never went up.
//
// A media attachment still without its thumbnail's address after its upload
// is sent once more (its companion file goes next); one extra pass only, so
// that an uploader that never answers with a thumbnail address cannot keep
// the queue going for ever.
class UploadQueue : public QObject {
    Q_OBJECT
public:
    enum class State { Idle, Uploading, Failed };

    // How one upload is sent; the road's manual upload unless a test sets another.
    using Sender = std::function<void(const AttachmentPtr&, UploadRoad::Done, UploadRoad::Failed)>;

    explicit UploadQueue(UploadRoad& road, QObject* parent = nullptr);
    ~UploadQueue() override;

    void setSender(Sender sender) { m_send = std::move(sender); }

    // Starts uploading `attachments` in their order; ignored while a queue runs.
    void start(const QList<AttachmentPtr>& attachments);
    // Stops the running upload (its transfer ends) and ends the queue; after a
    // failure the same as dismiss().
    void cancel();
    // Dismisses the error after a failure.
    void dismiss();

    State state() const { return m_state; }
    // The attachment going up now, or null.
    AttachmentPtr current() const;
    // Its running job on the road, or null (for its status lines and progress).
    UploadJob* currentJob() const;
    // The attachments still to go, the current one first.
    const QList<AttachmentPtr>& pending() const { return m_queue; }
    // The failure's message, empty unless failed.
    QString errorMessage() const { return m_errorMessage; }

    // Shown when an upload fails without saying why.
    static QString unknownErrorText();

signals:
    void uploadStarted(const AttachmentPtr& attachment);
    void uploadDone(const AttachmentPtr& attachment);
    void stateChanged(UploadQueue::State state);
    void errorMessageChanged(const QString& message);
    // The queue ended: every attachment up, cancelled, or failed and dismissed.
    void ended();

private:
    // The addresses an attachment had before its upload cleared them.
    struct Addresses {
        QString upload, thumb, poster;
    };
    static Addresses addressesOf(const Attachment& attachment);
    static void restore(Attachment& attachment, const Addresses& addresses);

    void uploadNext();
    void send(const AttachmentPtr& attachment);
    void handleDone(quint64 round);
    void handleFailure(quint64 round, const QString& message);
    void setState(State state);
    void finish();

    UploadRoad& m_road;
    Sender m_send;
    State m_state = State::Idle;
    QList<AttachmentPtr> m_queue;
    QString m_errorMessage;
    Addresses m_before;
    bool m_extraPassSent = false;
    // Counts the uploads sent, so that a late answer of a cancelled one is ignored.
    quint64 m_round = 0;
};
