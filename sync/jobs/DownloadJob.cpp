#include "DownloadJob.h"

#include "Account.h"
#include "Localization.h"
#include "TextDecoding.h"

DownloadJob::DownloadJob(Account* account, const QString& address, QObject* parent)
    : Job(parent), AccountLogin(account), m_account(account), m_address(address)
{
}

void DownloadJob::doStart()
{
    if (!m_address.isEmpty()) {
        m_call = new RESTCall(m_address, this, this);
        m_call->setTimeOut(60);
        m_call->setLimits(ExchangeLimits::page()); // a page of the blog, not an API answer
        if (m_responseTimeout)
            m_call->setResponseTimeout(*m_responseTimeout);
        if (m_call->startCall())
            return;
        m_call->setRestDelegate(nullptr);
        m_call->deleteLater();
        m_call = nullptr;
    }
    fail(
        {0, localized("Account", "For some obscure reason a download request could not be made.")});
}

void DownloadJob::doCancel()
{
    if (RESTCall* call = m_call) {
        m_call = nullptr;
        call->setRestDelegate(nullptr);
        call->cancel();
        call->deleteLater();
    }
}

void DownloadJob::restCallDidFinish(RESTCall* call)
{
    m_call = nullptr;
    call->deleteLater();
    const QByteArray data = call->restData();
    m_text = data.isEmpty() ? QString() : URLUtilities::textFromData(data);
    if (!m_text.isEmpty()) {
        succeed();
        return;
    }
    const QString address = m_account && !m_account->url().isEmpty() ? m_account->url() : m_address;
    fail({0, localized("Account", "The provided url [%1] did not contain data.").arg(address)});
}

void DownloadJob::restCallDidFail(RESTCall* call, const std::optional<RestError>& error)
{
    m_call = nullptr;
    call->deleteLater();
    if (error)
        fail(*error);
    else
        cancel();
}
