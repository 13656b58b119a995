#include "DownloadJob.h"

#include "Account.h"
#include "Localization.h"
#include "RESTCall.h"
#include "TextDecoding.h"

DownloadJob::DownloadJob(Account* account, const QString& address, QObject* parent)
    : AccountCallJob(account, parent), m_account(account), m_address(address)
{
    // A page for the wizard: it tells the call's steps, not its transfer.
    setShowsTransfer(false);
}

void DownloadJob::doStart()
{
    if (!m_address.isEmpty()) {
        auto* call = new RESTCall(m_address, this, this);
        call->setTimeOut(timeOut());
        call->setLimits(ExchangeLimits::page()); // a page of the blog, not an API answer
        if (startCall(call))
            return;
    }
    fail(
        {0, localized("Account", "For some obscure reason a download request could not be made.")});
}

void DownloadJob::callFinished(RESTCall* call)
{
    m_finalAddress = call->url();
    const QByteArray data = call->restData();
    m_text = data.isEmpty() ? QString() : URLUtilities::textFromData(data);
    if (!m_text.isEmpty()) {
        succeed();
        return;
    }
    const QString address = m_account && !m_account->url().isEmpty() ? m_account->url() : m_address;
    fail({0, localized("Account", "The provided url [%1] did not contain data.").arg(address)});
}
