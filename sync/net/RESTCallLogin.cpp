// How one HTTP call answers login challenges: the stored login for its own origin, a typed one, or
// the login sheet.
#include "RESTCallLogin.h"

#include "AuthChallenge.h"
#include "AuthPrompter.h"
#include "HttpErrors.h"
#include "NetworkAccess.h"
#include "RESTCall.h"
#include "RESTCallConsole.h"
#include "RedirectPolicy.h"

#include <QAuthenticator>
#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QPointer>
#include <algorithm>
#include <utility>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("RESTCall", text);
}

// QAuthenticator turns the credentials into Latin-1 bytes; servers compare
// the UTF-8 bytes the user typed, so hand it text whose Latin-1 form is UTF-8.
void answerChallenge(QAuthenticator* authenticator, const QString& user, const QString& password)
{
    authenticator->setUser(QString::fromLatin1(user.toUtf8()));
    authenticator->setPassword(QString::fromLatin1(password.toUtf8()));
}

} // namespace

void RESTCallLogin::beginRequest()
{
    m_challengesOnReply = 0;
    m_sentLogin = SentLogin::None;
    m_loginRefused = false;
    m_withheldForScheme = false;
    m_challengeLoggedBefore = std::exchange(m_resentForScheme, false);
}

bool RESTCallLogin::typedServesCurrent() const
{
    return m_promptedAnswer &&
           RedirectPolicy::sameCredentialScope(m_promptedOrigin, m_call.m_currentUrl);
}

QNetworkAccessManager& RESTCallLogin::manager() const
{
    // It may change when the user logs in as someone else on the sheet.
    const bool typed = typedServesCurrent();
    const bool stored = !typed && m_call.isOwnOrigin(m_call.m_currentUrl) && m_call.m_delegate;
    return typed    ? NetworkAccess::manager(m_promptedUser, m_promptedPassword)
           : stored ? NetworkAccess::manager(m_call.m_delegate->authUsername(),
                                             m_call.m_delegate->authPassword())
                    : NetworkAccess::manager();
}

void RESTCallLogin::challenged(QAuthenticator* authenticator)
{
    ++m_challengesOnReply;
    m_challengeRealm = authenticator->realm();
    if (m_challengesOnReply > 1) {
        // What was sent was refused; unanswered, the exchange ends with 401.
        m_loginRefused = m_sentLogin != SentLogin::None;
        logChallenge(AuthChallenge::rememberedScheme(m_call.m_currentUrl, m_challengeRealm)
                         .value_or(QString()),
                     m_challengeRealm, {});
        return;
    }

    const bool typed = typedServesCurrent();
    const bool stored = !typed && m_call.isOwnOrigin(m_call.m_currentUrl) && m_call.m_delegate &&
                        !m_call.m_delegate->authUsername().isEmpty() &&
                        !m_call.m_delegate->authPassword().isEmpty();
    if (!typed && !stored)
        return; // unanswered: logged with the answer's headers, then the sheet asks
    const std::optional<QString> scheme =
        AuthChallenge::rememberedScheme(m_call.m_currentUrl, m_challengeRealm);
    if (!scheme && !m_schemeLearnt) {
        // Qt tells the realm of a challenge but not its scheme, and the 401's
        // headers arrive only when it is left unanswered: so it is, once per
        // origin and realm, and the request is sent again (onUnauthorized).
        m_withheldForScheme = true;
        return;
    }
    // The challenge left unanswered to learn its scheme was logged then.
    if (!m_challengeLoggedBefore)
        logChallenge(scheme.value_or(QString()), m_challengeRealm, {});
    if (typed) {
        answerChallenge(authenticator, m_promptedUser, m_promptedPassword);
        m_sentLogin = SentLogin::Typed;
    } else if (stored) {
        answerChallenge(authenticator, m_call.m_delegate->authUsername(),
                        m_call.m_delegate->authPassword());
        m_sentLogin = SentLogin::Stored;
    }
}

void RESTCallLogin::logChallenge(const QString& scheme, const QString& realm,
                                 const QList<QPair<QByteArray, QByteArray>>& failureHeaders)
{
    RESTCallConsole::challenge(m_loginRefused ? tr("The previous credentials were rejected")
                                              : QString(),
                               failureHeaders, scheme, m_call.m_currentUrl, realm);
}

void RESTCallLogin::unauthorized()
{
    const std::optional<AuthChallenge> challenge =
        AuthChallenge::fromHeaders(m_call.m_reply->rawHeaderPairs());
    if (challenge)
        AuthChallenge::remember(m_call.m_currentUrl, *challenge);

    if (m_challengesOnReply == 0) {
        // No challenge Qt could answer (none at all, or one in a scheme it does
        // not know). Only a login that went with the request (an Authorization
        // or X-WSSE header) to the blog's own origin was refused.
        const bool loginSent =
            m_call.isOwnOrigin(m_call.m_currentUrl) &&
            std::any_of(m_call.m_headers.cbegin(), m_call.m_headers.cend(), [](const auto& h) {
                return RedirectPolicy::isCredentialHeader(h.first) &&
                       h.first.compare("Cookie", Qt::CaseInsensitive) != 0;
            });
        if (challenge)
            logChallenge(challenge->scheme, challenge->realm, m_call.m_reply->rawHeaderPairs());
        const QString address = m_call.displayAddress();
        if (!loginSent) {
            m_call.fail(HttpErrors::loginDemandedWithoutChallenge(address));
            return;
        }
        if (m_call.m_delegate)
            m_call.m_delegate->setAuthPassword(QString());
        m_call.fail(HttpErrors::transportError(HttpErrors::UserAuthenticationRequired, address,
                                               m_call.m_reply->errorString()));
        return;
    }

    if (m_withheldForScheme) {
        logChallenge(challenge ? challenge->scheme : QString(), m_challengeRealm,
                     m_call.m_reply->rawHeaderPairs());
        m_schemeLearnt = true;
        m_resentForScheme = true;
        m_call.releaseReply();
        m_call.send();
        return;
    }
    if (!m_loginRefused)
        logChallenge(challenge ? challenge->scheme : QString(), m_challengeRealm,
                     m_call.m_reply->rawHeaderPairs());
    // The blog's login (stored, or typed for the blog and so stored) is
    // forgotten only when it went to the blog's own origin and was refused there.
    if (m_loginRefused && m_call.isOwnOrigin(m_call.m_currentUrl) && m_call.m_delegate)
        m_call.m_delegate->setAuthPassword(QString());
    if (m_loginRefused && m_sentLogin == SentLogin::Typed)
        m_promptedAnswer = false;
    askForLogin(m_challengeRealm);
}

void RESTCallLogin::askForLogin(const QString& realm)
{
    m_call.releaseReply();
    const QUrl challenging = m_call.m_currentUrl;
    const bool ownOrigin = m_call.isOwnOrigin(challenging);
    const QString challengingOrigin = challenging
                                          .adjusted(QUrl::RemoveUserInfo | QUrl::RemovePath |
                                                    QUrl::RemoveQuery | QUrl::RemoveFragment)
                                          .toString();
    AuthPrompter* prompter = AuthPrompter::sharedInstance();
    auto cancelled = [this] {
        const int code = HttpErrors::UserCancelledAuthentication;
        RESTCallConsole::failure(code, tr("Authentication cancelled"), m_call.displayAddress());
        m_call.fail(HttpErrors::transportError(code, m_call.displayAddress(), QString()));
    };
    if (!prompter) {
        cancelled();
        return;
    }
    // The blog's own address as the user knows it; another origin by itself,
    // so that nobody types the blog's login for a server it was sent to.
    const QString address = ownOrigin && m_call.m_delegate && !m_call.m_delegate->url().isEmpty() &&
                                    m_call.isOwnOrigin(QUrl(m_call.m_delegate->url()))
                                ? m_call.m_delegate->url()
                                : challengingOrigin;
    const QString username =
        ownOrigin && m_call.m_delegate ? m_call.m_delegate->authUsername() : QString();
    QPointer<RESTCall> self(&m_call);
    prompter->ask(AuthPrompter::captionFor(address, realm), username,
                  [self, cancelled, ownOrigin, challenging](const AuthPrompter::Answer& answer) {
                      if (!self || self->m_ended)
                          return;
                      if (!answer.accepted) {
                          cancelled();
                          return;
                      }
                      // Only a login for the blog's own origin is the blog's.
                      if (ownOrigin && self->m_delegate) {
                          self->m_delegate->setAuthUsername(answer.username);
                          self->m_delegate->setAuthPassword(answer.password);
                      }
                      self->m_login.m_promptedAnswer = true;
                      self->m_login.m_promptedOrigin = challenging;
                      self->m_login.m_promptedUser = answer.username;
                      self->m_login.m_promptedPassword = answer.password;
                      self->send();
                  });
}
