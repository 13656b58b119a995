#include "PageDownload.h"

#include "Localization.h"
#include "RESTCall.h"
#include "URLUtilities.h"

#include <QTimer>

PageDownload::PageDownload(const QString& address, Done done, QObject* parent)
    : QObject(parent), m_address(address), m_done(std::move(done))
{
    auto* call = new RESTCall(address, this, this);
    call->setTimeOut(60);
    call->setLimits(ExchangeLimits::page()); // a blog's page, not an API answer
    m_call = call;
    if (call->startCall())
        return;
    m_call = nullptr;
    call->setRestDelegate(nullptr);
    call->deleteLater();
    // Answered on the event loop, like every other outcome.
    QTimer::singleShot(0, this, [this] {
        finish(
            {}, {},
            localized("Account", "For some obscure reason a download request could not be made."));
    });
}

PageDownload::~PageDownload()
{
    m_done = nullptr;
    if (RESTCall* call = m_call) {
        call->setRestDelegate(nullptr);
        call->cancel();
    }
}

void PageDownload::restCallDidFinish(RESTCall* call)
{
    m_call = nullptr;
    call->deleteLater();
    const QByteArray data = call->restData();
    const QString text = data.isEmpty() ? QString() : URLUtilities::textFromData(data);
    if (text.isEmpty()) {
        finish({}, call->url(),
               localized("Account", "The provided url [%1] did not contain data.").arg(m_address));
        return;
    }
    finish(text, call->url(), {});
}

void PageDownload::restCallDidFail(RESTCall* call, const std::optional<RestError>& error)
{
    m_call = nullptr;
    call->deleteLater();
    if (!error)
        return; // cancelled: nobody waits any more
    finish({}, call->url(), error->message);
}

void PageDownload::finish(const QString& text, const QUrl& address, const QString& error)
{
    if (Done done = std::exchange(m_done, nullptr))
        done(text, address, error);
}
