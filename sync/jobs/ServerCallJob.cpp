#include "ServerCallJob.h"

#include "Account.h"
#include "Localization.h"
#include "PLUMETPluginProtocol.h"
#include "RESTCall.h"
#include "RoadRequests.h"
#include "XmlRpcCall.h"

ServerCallJob::ServerCallJob(Account* account, QObject* parent)
    : AccountCallJob(account, parent), m_account(account),
      m_refusal(
          localized("Account", "For some obscure reason an XML-RPC request could not be made."))
{
    setReadsAnswersAsTheyArrive(true);
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
    if (!send())
        fail({0, requestFailure(m_refusal)});
}

bool ServerCallJob::send()
{
    PLUMETPluginProtocol* plugin = m_account ? m_account->plugin() : nullptr;
    if (!plugin)
        return false;
    RESTCall* call = nullptr;
    if (m_atom) {
        if (!m_address.isValid() || m_address.isEmpty())
            return false;
        call = new RESTCall(m_address, this, this);
        call->setTimeOut(timeOut());
        const QVariantMap headers =
            plugin->authenticationHeaders(m_address, m_account->username(), m_account->password());
        if (!headers.isEmpty())
            call->addHeaders(RESTCall::headerList(headers));
    } else {
        XmlRpcCall::Request request;
        request.objects = m_values;
        (plugin->*m_build)(request.objects, request.keys, request.method);
        call = xmlRpcCall(m_account->escapedURL(), request);
    }
    m_requestMade = startCall(call);
    return m_requestMade;
}

void ServerCallJob::callFinished(RESTCall* call)
{
    m_data = call->restData();
    if (call->answerSize() > 0)
        m_answer = RoadRequests::decodeAnswer(*call, m_atom);
    succeed();
}
