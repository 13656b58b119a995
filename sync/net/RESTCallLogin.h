// How one HTTP call answers login challenges: the stored login for its own origin, a typed one, or
// the login sheet.
#pragma once

#include <QString>
#include <QUrl>

class QAuthenticator;
class QNetworkAccessManager;
class RESTCall;

// The login side of a RESTCall. The delegate's stored login belongs to the
// origin of the address the call was made for: it is sent only there, and
// forgotten only when it was sent there and refused. A login typed into the
// sheet for another origin (after a redirect) serves this call alone. Qt
// tells a challenge's realm but not its scheme; the first challenge of an
// origin and realm is left unanswered once so that the 401's headers name it.
class RESTCallLogin {
public:
    explicit RESTCallLogin(RESTCall& call) : m_call(call) {}
    RESTCallLogin(const RESTCallLogin&) = delete;
    RESTCallLogin& operator=(const RESTCallLogin&) = delete;

    // A request goes out: what was sent on the last one is forgotten.
    void beginRequest();
    // The shared manager whose login the request answers challenges with.
    QNetworkAccessManager& manager() const;
    // A challenge on the call's current reply.
    void challenged(QAuthenticator* authenticator);
    // The reply ended with 401: the request goes again, the sheet asks, or the call fails.
    void unauthorized();

private:
    enum class SentLogin { None, Stored, Typed };

    // Whether the login typed into the sheet serves the call's current address.
    bool typedServesCurrent() const;
    void logChallenge(const QString& scheme, const QString& realm,
                      const QList<QPair<QByteArray, QByteArray>>& failureHeaders);
    void askForLogin(const QString& realm);

    RESTCall& m_call;
    // The login sent on the current request, and whether it was refused.
    SentLogin m_sentLogin = SentLogin::None;
    bool m_loginRefused = false;
    int m_challengesOnReply = 0;
    QString m_challengeRealm;
    // A challenge left unanswered once, so that its answer shows its scheme.
    bool m_withheldForScheme = false;
    bool m_schemeLearnt = false;
    bool m_resentForScheme = false;
    bool m_challengeLoggedBefore = false;
    // A login typed into the sheet, for the origin it was asked for.
    bool m_promptedAnswer = false;
    QUrl m_promptedOrigin;
    QString m_promptedUser;
    QString m_promptedPassword;
};
