#include "ServerCallJob.h"

#include "Account.h"
#include "AtomDecoder.h"
#include "Localization.h"
#include "PLUMETPluginProtocol.h"
#include "TextDecoding.h"
#include "XMLRPCDecoder.h"
#include "XmlRpcCall.h"

namespace {

// Roads wait this long for the next bytes of an answer.
constexpr double TransferTimeOutSeconds = 60;

} // namespace

ServerCallJob::ServerCallJob(Account* account, QObject* parent)
    : Job(parent), AccountLogin(account), m_account(account),
      m_refusal(
          localized("Account", "For some obscure reason an XML-RPC request could not be made."))
{
}

ServerCallJob* ServerCallJob::xmlrpc(Account* account, Builder build, QVariantMap values,
                                     QObject* parent)
{
    auto* job = new ServerCallJob(account, parent);
    job->m_build = build;
    job->m_values = std::move(values);
    return job;
}

ServerCallJob* ServerCallJob::atomGet(Account* account, const QUrl& address, QObject* parent)
{
    auto* job = new ServerCallJob(account, parent);
    job->m_atom = true;
    job->m_address = address;
    return job;
}

void ServerCallJob::doStart()
{
    if (!send()) {
        if (m_call) {
            m_call->setRestDelegate(nullptr);
            m_call->deleteLater();
        }
        fail({0, m_refusal});
    }
}

bool ServerCallJob::send()
{
    PLUMETPluginProtocol* plugin = m_account ? m_account->plugin() : nullptr;
    if (!plugin)
        return false;
    if (m_atom) {
        if (!m_address.isValid() || m_address.isEmpty())
            return false;
        m_call = new RESTCall(m_address, this, this);
        m_call->setTimeOut(TransferTimeOutSeconds);
        const QVariantMap headers =
            plugin->authenticationHeaders(m_address, m_account->username(), m_account->password());
        if (!headers.isEmpty())
            m_call->addHeaders(RESTCall::headerList(headers));
    } else {
        XmlRpcCall::Request request;
        request.objects = m_values;
        (plugin->*m_build)(request.objects, request.keys, request.method);
        m_call =
            XmlRpcCall::make(m_account->escapedURL(), request, this, this, TransferTimeOutSeconds);
        if (!m_call)
            return false;
    }
    if (m_responseTimeout)
        m_call->setResponseTimeout(*m_responseTimeout);
    m_requestMade = m_call->startCall();
    return m_requestMade;
}

void ServerCallJob::doCancel()
{
    if (RESTCall* call = m_call) {
        m_call = nullptr;
        call->setRestDelegate(nullptr);
        call->cancel();
        call->deleteLater();
    }
}

void ServerCallJob::setDuration(double duration)
{
    m_duration = duration;
    Job::setProgress(0, duration >= 1 ? duration : 0);
}

void ServerCallJob::setProgress(double progress)
{
    Job::setProgress(progress, m_duration >= 1 ? m_duration : 0);
}

void ServerCallJob::setSubStatus(const QString& status)
{
    Job::setSubStatus(status);
}

void ServerCallJob::restCallDidFinish(RESTCall* call)
{
    m_call = nullptr;
    call->deleteLater();
    m_data = call->restData();
    if (!m_data.isEmpty()) {
        const QByteArray text = URLUtilities::correctEncoding(m_data);
        m_answer = m_atom ? AtomDecoder::decode(text, call->url()) : XMLRPCDecoder::decode(text);
    }
    succeed();
}

void ServerCallJob::restCallDidFail(RESTCall* call, const std::optional<RestError>& error)
{
    m_call = nullptr;
    call->deleteLater();
    if (error)
        fail(*error);
    else
        cancel();
}
