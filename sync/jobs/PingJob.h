#pragma once

#include "Job.h"
#include "ModelTypes.h"
#include "RESTDelegate.h"

#include <QPointer>
#include <QTimer>

class RESTCall;
class RVPingTool;

// The ping tool's queue at work: one job drains RVPingTool's queue, one
// request at a time with the tool's pause after each, under one row of the
// activity list (run by JobActivity, without an account). Items queued while
// it runs are served in their turn; it ends when the queue is empty, or when
// it is stopped.
//
// Update ping answers are not read: a ping that fails is passed over. A
// trackback that fails or whose answer reports an error keeps its address in
// the entry, and so does one that could not be sent; the others leave it.
class PingJob : public Job, public RESTDelegate {
    Q_OBJECT
public:
    explicit PingJob(RVPingTool& tool, QObject* parent = nullptr);
    ~PingJob() override;

    // RESTDelegate: no login is ever sent.
    QString url() const override { return m_currentPingUrl; }
    QString authUsername() const override { return {}; }
    void setAuthUsername(const QString&) override {}
    QString authPassword() const override { return {}; }
    void setAuthPassword(const QString&) override {}
    void setDuration(double duration) override;
    void setProgress(double progress) override;
    void setSubStatus(const QString& subStatus) override;
    void restCallDidFinish(RESTCall* call) override;
    void restCallDidFail(RESTCall* call, const std::optional<RestError>& error) override;

    // Whether a trackback answer reports an error ("<error>1</error>").
    static bool isTrackbackRefusal(const QByteArray& answer);

protected:
    void doStart() override;
    void doCancel() override;

private:
    void nextPing();
    void pauseThenNext();
    bool submitPing(const PingPtr& ping, const QString& name, const QString& blogUrl);
    bool submitTrackback(const PingPtr& ping, const QString& blogName, const QString& title,
                         const QString& url, const QString& excerpt);
    bool startCall(RESTCall* call);
    void endCall(RESTCall* call, bool delivered);
    void keep(const PingPtr& ping);
    void stopCall();

    RVPingTool& m_tool;
    QPointer<RESTCall> m_call;
    QString m_currentPingUrl;
    int m_urlIndex = 0;
    // The trackback in flight, and the addresses of the entry at the head of
    // the queue that were not reached.
    PingPtr m_trackback;
    PingList m_undelivered;
    QTimer m_pause;
};
