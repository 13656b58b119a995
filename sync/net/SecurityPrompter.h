#pragma once

#include "CertificateProblem.h"
#include "InstalledService.h"

#include <QString>
#include <QUrl>
#include <functional>

// Asks the user before the HTTP layer lowers its guard: trusting a server
// certificate that failed verification, or following a secure address on to a
// plain http one. With no prompter installed both are refused.
class SecurityPrompter : public InstalledService<SecurityPrompter> {
public:
    using Completion = std::function<void(bool accepted)>;

    virtual ~SecurityPrompter();

    // Both show the question and return at once; `done` runs exactly once,
    // later, on the main thread.
    virtual void askToTrustCertificate(const CertificateProblem& problem, Completion done) = 0;
    virtual void askToFollowInsecureRedirect(const QUrl& from, const QUrl& to, Completion done) = 0;

    // The questions in words, for whichever window asks them.
    static QString trustQuestion(const CertificateProblem& problem);
    static QString insecureRedirectQuestion(const QUrl& from, const QUrl& to);
};
