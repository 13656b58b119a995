#include "HttpErrors.h"

#include <QCoreApplication>

namespace HttpErrors {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("RESTCall", text);
}

} // namespace

std::optional<RestError> errorForStatus(int httpStatus)
{
    switch (httpStatus) {
    case 404:
        return RestError{BadURL, tr("The provided web address does not exist.")};
    case 403:
        return RestError{NoPermissionsToReadFile,
                         tr("The server does not allow access to the provided web address.")};
    case 500:
        return RestError{
            NetworkConnectionLost,
            tr("The server could not complete the request. This can happen if a script on the "
               "server terminated prematurely, the server's database is busy, or if the server is "
               "overloaded. In most cases, trying again later may work. It is recommended to "
               "notify your server's administrator.")};
    default:
        return std::nullopt;
    }
}

int codeForNetworkError(QNetworkReply::NetworkError error)
{
    using E = QNetworkReply::NetworkError;
    switch (error) {
    case E::ConnectionRefusedError:
    case E::ProxyConnectionRefusedError:
        return CannotConnectToHost;
    case E::RemoteHostClosedError:
    case E::ProxyConnectionClosedError:
        return NetworkConnectionLost;
    case E::HostNotFoundError:
    case E::ProxyNotFoundError:
        return CannotFindHost;
    // The calls disconnect from a reply before aborting it, so a cancel that
    // still reaches them is the request's own transfer limit running out.
    case E::TimeoutError:
    case E::ProxyTimeoutError:
    case E::OperationCanceledError:
        return TimedOut;
    case E::SslHandshakeFailedError:
        return SecureConnectionFailed;
    case E::TooManyRedirectsError:
        return HTTPTooManyRedirects;
    case E::TemporaryNetworkFailureError:
    case E::NetworkSessionFailedError:
    case E::BackgroundRequestNotAllowedError:
        return -1009; // not connected to the internet
    case E::AuthenticationRequiredError:
    case E::ProxyAuthenticationRequiredError:
        return UserAuthenticationRequired;
    case E::ProtocolUnknownError:
        return UnsupportedURL;
    case E::ContentNotFoundError:
        return BadURL;
    case E::ContentAccessDenied:
    case E::ContentOperationNotPermittedError:
        return NoPermissionsToReadFile;
    case E::ContentGoneError:
    case E::ServiceUnavailableError:
        return ResourceUnavailable;
    default:
        return BadServerResponse;
    }
}

QString messageForTransportError(int code, const QString& address, const QString& description)
{
    const QString where = address.isEmpty() ? QStringLiteral("server") : address;
    if (code == UserCancelledAuthentication || code == UserAuthenticationRequired)
        return tr("Incorrect username or password for \"%1\". Please try again with the correct "
                  "authentication.")
            .arg(where);
    if (code <= -1200 && code >= -1203)
        return tr("Could not create a secure connection to \"%1\" [%2]").arg(where).arg(code);
    if ((code <= -1100 && code >= -1102) || code == -1014)
        return tr("Could not access the file at \"%1\" [%2]").arg(where).arg(code);
    if (code == -2000 || (code <= -1003 && code >= -1011) || code == TimedOut)
        return tr("Could not connect to \"%1\" [%2]. Either there is no internet connection or "
                  "the host is down.")
            .arg(where)
            .arg(code);
    if (code == UnsupportedURL || code == BadURL || code == Cancelled || code == Unknown)
        return tr("The provided web address does not exist.");
    return tr("An unknown error occurred \"%1\" [%2]").arg(description).arg(code);
}

RestError transportError(int code, const QString& address, const QString& description)
{
    return {code, messageForTransportError(code, address, description)};
}

QString responseTimedOutMessage()
{
    return tr("The server has dropped the connection.");
}

} // namespace HttpErrors
