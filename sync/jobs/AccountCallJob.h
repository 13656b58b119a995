#pragma once

#include "AccountLogin.h"
#include "Job.h"
#include "XmlRpcCall.h"

#include <QPointer>
#include <chrono>
#include <optional>

class Account;
class RESTCall;

// A job whose work is HTTP calls to an account's server, one at a time. It
// holds the call in flight, answers the call's login questions from the
// account (AccountLogin), shows the call's transfer and sub-status on its
// row, and stops the call when it is cancelled or deleted.
//
// A subclass makes each call with this job as its delegate and parent, hands
// it to startCall(), and reads its end in callFinished() or callFailed(). A
// call stopped without an error (the login sheet cancelled) cancels the job.
class AccountCallJob : public Job, protected AccountLogin {
    Q_OBJECT
public:
    ~AccountCallJob() override;

    // How long a request may stay silent (60 s unless set).
    void setTimeOut(double seconds) { m_timeOut = seconds; }
    double timeOut() const { return m_timeOut; }
    // The wait for the server's first response; the "timeout" preference unless set.
    void setResponseTimeout(std::optional<std::chrono::milliseconds> timeout)
    {
        m_responseTimeout = timeout;
    }

protected:
    AccountCallJob(Account* account, QObject* parent);

    // Makes `call` (null when none could be made) the call in flight and
    // starts it; false, with the call released, when it did not start.
    bool startCall(RESTCall* call);
    // Stops and releases the call in flight, if any: it reports nothing more.
    void stopCall();
    // An XML-RPC call with this job as delegate and parent and the job's time-out;
    // null when the request cannot be written.
    RESTCall* xmlRpcCall(const QUrl& endpoint, const XmlRpcCall::Request& request);
    // Why the last request could not be made, for the user: the encoder's refusal,
    // which names the value, or else `otherwise` (by default the general words).
    QString requestFailure(const QString& otherwise = QString()) const;

    // The call in flight ended with its answer; it is released already
    // (deleteLater), its answer readable until control returns to the loop.
    virtual void callFinished(RESTCall* call) = 0;
    // The call in flight failed; the job fails with its error unless a
    // subclass words it otherwise.
    virtual void callFailed(const RestError& error) { fail(error); }

    // XML-RPC answers of the calls made by xmlRpcCall() are read as they
    // arrive instead of being kept whole (RESTCall::setReadsXmlRpcAnswer);
    // such a job reads them with RoadRequests::decodeAnswer(RESTCall&, ...).
    void setReadsAnswersAsTheyArrive(bool reads) { m_readsAsTheyArrive = reads; }

    // A job whose progress counts something else than the answer's bytes
    // leaves the call's transfer off its row.
    void setShowsTransfer(bool shows) { m_showsTransfer = shows; }

    void doCancel() override;

    // RESTDelegate
    void setDuration(double duration) override;
    void setProgress(double progress) override;
    void setSubStatus(const QString& status) override;

private:
    void restCallDidFinish(RESTCall* call) final;
    void restCallDidFail(RESTCall* call, const std::optional<RestError>& error) final;

    QPointer<RESTCall> m_call;
    QString m_requestRefusal;
    double m_timeOut = 60;
    std::optional<std::chrono::milliseconds> m_responseTimeout;
    bool m_showsTransfer = true;
    bool m_readsAsTheyArrive = false;
};
