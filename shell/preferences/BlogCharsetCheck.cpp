#include "BlogCharsetCheck.h"

#include "Account.h"
#include "Blog.h"
#include "Localization.h"
#include "PageCharset.h"
#include "RESTCall.h"
#include "URLUtilities.h"

namespace {

// A call may end inside its own callback: delete it once control has left it.
void deleteLaterCall(RESTCall* call)
{
    if (call) {
        call->setRestDelegate(nullptr);
        call->cancel();
        call->deleteLater();
    }
}

} // namespace

BlogCharsetCheck::BlogCharsetCheck(QObject* parent)
    : QObject(parent), m_call(nullptr, deleteLaterCall)
{
}

BlogCharsetCheck::~BlogCharsetCheck() = default;

bool BlogCharsetCheck::start(Blog* blog)
{
    if (!blog || isRunning())
        return false;
    const QUrl address = blog->escapedURL();
    if (!address.isValid() || address.isEmpty())
        return false;
    m_blog = blog;
    // A page behind a password answers with the account's HTTP login, which
    // the record holds only once the keychain has been read.
    if (Account* account = blog->account(); account && !account->passwordsLoaded())
        account->loadPasswords(this, {});
    emit message(QString());
    m_call.reset(new RESTCall(address, this));
    m_call->setTimeOut(30);
    m_call->setMethod("GET");
    m_call->setLimits(ExchangeLimits::page()); // the blog's page, not an API answer
    if (!m_call->startCall()) {
        m_call.reset();
        return false;
    }
    return true;
}

void BlogCharsetCheck::cancel()
{
    m_call.reset();
    m_blog.clear();
}

QString BlogCharsetCheck::url() const
{
    return m_blog ? m_blog->url() : QString();
}

QString BlogCharsetCheck::authUsername() const
{
    return m_blog ? m_blog->authUsername() : QString();
}

void BlogCharsetCheck::setAuthUsername(const QString& username)
{
    if (m_blog)
        m_blog->setAuthUsername(username);
}

QString BlogCharsetCheck::authPassword() const
{
    return m_blog ? m_blog->authPassword() : QString();
}

void BlogCharsetCheck::setAuthPassword(const QString& password)
{
    if (m_blog)
        m_blog->setAuthPassword(password);
}

void BlogCharsetCheck::setSubStatus(const QString& text)
{
    emit message(text);
}

void BlogCharsetCheck::restCallDidFinish(RESTCall* call)
{
    if (call != m_call.get())
        return;
    const QString text = URLUtilities::textFromData(call->restData());
    if (text.isEmpty()) {
        end(localized("Preferences", "Your blog could not be accessed."));
        return;
    }
    const std::optional<QString> charset =
        PageCharset::declaredCharset(call->responseHeader("Content-Type"), text);
    if (m_blog)
        m_blog->setOption(QStringLiteral("convertEntities"), PageCharset::needsEntities(charset));
    end(charset ? localized("Preferences", "Your blog is encoded with %1.").arg(*charset)
                : localized("Preferences", "The encoding of your blog could not be determined."));
}

void BlogCharsetCheck::restCallDidFail(RESTCall* call, const std::optional<RestError>& error)
{
    if (call != m_call.get())
        return;
    end(localized("Preferences", "There was an error accessing your blog: \"%1\"")
            .arg(error ? error->message : localized("Preferences", "cancelled")));
}

void BlogCharsetCheck::end(const QString& text)
{
    m_call.reset();
    m_blog.clear();
    emit message(text);
    emit finished();
}
