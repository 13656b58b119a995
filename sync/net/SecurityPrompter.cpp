#include "SecurityPrompter.h"

#include <QCoreApplication>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("RESTCall", text);
}
} // namespace

SecurityPrompter::~SecurityPrompter() = default;

QString SecurityPrompter::trustQuestion(const CertificateProblem& problem)
{
    return tr("The certificate of \"%1\" (port %2) could not be verified: %3.\n\n"
              "Someone may be posing as this server. Trust this certificate for \"%1\" from "
              "now on only if you know it is the right one.\n\nSHA-256 fingerprint: %4")
        .arg(problem.host)
        .arg(problem.port)
        .arg(problem.reasons.join(QStringLiteral("; ")), QString::fromLatin1(problem.fingerprint));
}

QString SecurityPrompter::insecureRedirectQuestion(const QUrl& from, const QUrl& to)
{
    return tr("The secure address \"%1\" sends you on to the insecure address \"%2\". What is "
              "sent there can be read by others on the network.\n\nGo on to the insecure "
              "address?")
        .arg(from.toString(QUrl::RemoveUserInfo), to.toString(QUrl::RemoveUserInfo));
}
