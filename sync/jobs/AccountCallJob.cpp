#include "AccountCallJob.h"

#include "RESTCall.h"
#include "RoadRequests.h"

AccountCallJob::AccountCallJob(Account* account, QObject* parent)
    : Job(parent), AccountLogin(account)
{
    setPasswordsOf(account);
}

AccountCallJob::~AccountCallJob()
{
    stopCall();
}

bool AccountCallJob::startCall(RESTCall* call)
{
    m_call = call;
    if (!call)
        return false;
    if (m_responseTimeout)
        call->setResponseTimeout(*m_responseTimeout);
    if (call->startCall())
        return true;
    stopCall();
    return false;
}

void AccountCallJob::stopCall()
{
    if (RESTCall* call = m_call) {
        m_call = nullptr;
        call->setRestDelegate(nullptr);
        call->cancel();
        call->deleteLater();
    }
}

RESTCall* AccountCallJob::xmlRpcCall(const QUrl& endpoint, const XmlRpcCall::Request& request)
{
    m_requestRefusal.clear();
    RESTCall* call = XmlRpcCall::make(endpoint, request, this, this, m_timeOut, &m_requestRefusal);
    if (call)
        call->setReadsXmlRpcAnswer(m_readsAsTheyArrive);
    return call;
}

QString AccountCallJob::requestFailure(const QString& otherwise) const
{
    if (!m_requestRefusal.isEmpty())
        return m_requestRefusal;
    return otherwise.isEmpty() ? RoadRequests::xmlrpcRequestFailed() : otherwise;
}

void AccountCallJob::doCancel()
{
    stopCall();
}

void AccountCallJob::restCallDidFinish(RESTCall* call)
{
    if (call != m_call)
        return;
    m_call = nullptr;
    call->deleteLater();
    callFinished(call);
}

void AccountCallJob::restCallDidFail(RESTCall* call, const std::optional<RestError>& error)
{
    if (call != m_call)
        return;
    m_call = nullptr;
    call->deleteLater();
    if (error)
        callFailed(*error);
    else // stopped without a word: the row goes
        cancel();
}

void AccountCallJob::setDuration(double duration)
{
    if (m_showsTransfer)
        Job::setProgress(0, duration >= 1 ? duration : 0);
}

void AccountCallJob::setProgress(double progress)
{
    if (m_showsTransfer)
        Job::setProgress(progress, progressMaximum());
}

void AccountCallJob::setSubStatus(const QString& status)
{
    Job::setSubStatus(status);
}
