#include "HttpErrors.h"

#include "StringEncoding.h"
#include "StringExtensions.h"
#include "TextDecoding.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace HttpErrors {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("RESTCall", text);
}

QString seconds(double value)
{
    return QString::number(value, 'g', 3);
}

// The error the network library sets for an HTTP status of 400 or more.
QNetworkReply::NetworkError errorOfStatus(int httpStatus)
{
    using E = QNetworkReply::NetworkError;
    switch (httpStatus) {
    case 400:
    case 418:
        return E::ProtocolInvalidOperationError;
    case 401:
        return E::AuthenticationRequiredError;
    case 403:
        return E::ContentAccessDenied;
    case 404:
        return E::ContentNotFoundError;
    case 405:
        return E::ContentOperationNotPermittedError;
    case 407:
        return E::ProxyAuthenticationRequiredError;
    case 409:
        return E::ContentConflictError;
    case 410:
        return E::ContentGoneError;
    case 500:
        return E::InternalServerError;
    case 501:
        return E::OperationNotImplementedError;
    case 503:
        return E::ServiceUnavailableError;
    default:
        return httpStatus > 500 ? E::UnknownServerError : E::UnknownContentError;
    }
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

std::optional<RestError> errorForUnavailable(int httpStatus, const QString& address,
                                             const QByteArray& body)
{
    if (httpStatus != 429 && (httpStatus <= 500 || httpStatus > 599))
        return std::nullopt;
    // An XML document starts with its markup, after a byte order mark and white space;
    // an HTML page in XHTML dress is no answer either.
    QByteArrayView head = QByteArrayView(body).first(std::min(body.size(), serverWordsBytes));
    if (head.startsWith("\xEF\xBB\xBF"))
        head = head.sliced(3);
    head = head.trimmed();
    const bool xml = head.startsWith('<') && !head.toByteArray().toLower().contains("<html");
    if (xml)
        return std::nullopt;
    const QString where = address.isEmpty() ? QStringLiteral("server") : address;
    if (httpStatus == 429)
        return RestError{ResourceUnavailable,
                         tr("\"%1\" turned the request away: too many requests (HTTP 429) [%2]. "
                            "Wait a while, then try again.")
                             .arg(where)
                             .arg(int(ResourceUnavailable))};
    return RestError{ResourceUnavailable,
                     tr("\"%1\" could not answer the request (HTTP %2) [%3]. The server may be "
                        "busy or down for maintenance; try again later.")
                         .arg(where)
                         .arg(httpStatus)
                         .arg(int(ResourceUnavailable))};
}

bool isErrorPage(QNetworkReply::NetworkError error, int httpStatus)
{
    return httpStatus >= 400 && error == errorOfStatus(httpStatus);
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
        return NotConnectedToInternet;
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

QString messageForTransportError(int code, const QString& address, const QString& description,
                                 Stage stage, double limitSeconds)
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
    if (code == TimedOut && stage == Stage::Waiting)
        return tr("\"%1\" did not answer within %2 seconds [%3]. The server may be busy; try "
                  "again later.")
            .arg(where, seconds(limitSeconds))
            .arg(code);
    if (code == TimedOut && stage == Stage::Sending)
        return tr("\"%1\" stopped reading the request for %2 seconds before it was complete [%3]. "
                  "Try again later.")
            .arg(where, seconds(limitSeconds))
            .arg(code);
    if (code == TimedOut && stage == Stage::Receiving)
        return tr("\"%1\" stopped sending its answer for %2 seconds before it was complete [%3]. "
                  "Try again later.")
            .arg(where, seconds(limitSeconds))
            .arg(code);
    if (code == NetworkConnectionLost && stage == Stage::Receiving)
        return tr("The connection to \"%1\" broke off before the whole answer had arrived [%2]. "
                  "Try again.")
            .arg(where)
            .arg(code);
    if (code == NetworkConnectionLost)
        return tr("\"%1\" closed the connection without answering [%2]. Try again.")
            .arg(where)
            .arg(code);
    if (code == HTTPTooManyRedirects)
        return tr("\"%1\" redirected the request too many times, so it was given up [%2].")
            .arg(where)
            .arg(code);
    if (code == BadServerResponse)
        return tr("The answer from \"%1\" could not be read (%2) [%3].")
            .arg(where, description)
            .arg(code);
    if (code == -2000 || (code <= -1003 && code >= -1011) || code == TimedOut)
        return tr("Could not connect to \"%1\" [%2]. Either there is no internet connection or "
                  "the host is down.")
            .arg(where)
            .arg(code);
    if (code == UnsupportedURL || code == BadURL || code == Cancelled || code == Unknown)
        return tr("The provided web address does not exist.");
    return tr("An unknown error occurred \"%1\" [%2]").arg(description).arg(code);
}

RestError transportError(int code, const QString& address, const QString& description, Stage stage,
                         double limitSeconds)
{
    return {code, messageForTransportError(code, address, description, stage, limitSeconds)};
}

RestError responseTimedOut(const QString& address, double limitSeconds)
{
    // The code callers have always had for this.
    return {NetworkConnectionLost,
            tr("\"%1\" did not answer within %2 seconds [%3]. The server may be busy; try again "
               "later.")
                .arg(address, seconds(limitSeconds))
                .arg(int(NetworkConnectionLost))};
}

RestError deadlinePassed(const QString& address, std::chrono::milliseconds deadline)
{
    const qint64 totalSeconds = std::chrono::duration_cast<std::chrono::seconds>(deadline).count();
    const QString span = totalSeconds >= 120
                             ? tr("%1 minutes").arg(totalSeconds / 60)
                             : tr("%1 seconds").arg(seconds(deadline.count() / 1000.0));
    return {TimedOut, tr("\"%1\" took longer than %2 to answer, so the request was stopped [%3]. "
                         "The server may be overloaded; try again later.")
                          .arg(address, span)
                          .arg(int(TimedOut))};
}

RestError tooSlow(const QString& address, qint64 bytesPerSecond, std::chrono::milliseconds window)
{
    return {TimedOut,
            tr("The exchange with \"%1\" went slower than %2 KB/s over %3 seconds, so it was "
               "stopped [%4]. The connection or the server may be overloaded; try again later.")
                .arg(address)
                .arg(QString::number(bytesPerSecond / 1024.0, 'g', 3))
                .arg(seconds(window.count() / 1000.0))
                .arg(int(TimedOut))};
}

RestError answerTooLarge(const QString& address, qint64 limitBytes)
{
    return {DataLengthExceedsMaximum,
            tr("The answer from \"%1\" is larger than %2 MB, the most plumet accepts for this "
               "request, so it was not read [%3].")
                .arg(address)
                .arg(QString::number(limitBytes / (1024.0 * 1024.0), 'g', 4))
                .arg(int(DataLengthExceedsMaximum))};
}

RestError loginDemandedWithoutChallenge(const QString& address)
{
    return {UserAuthenticationRequired,
            tr("\"%1\" refused the request as unauthorized (HTTP 401) without asking for a user "
               "name and password [%2].")
                .arg(address)
                .arg(int(UserAuthenticationRequired))};
}

namespace {

constexpr qsizetype serverWordsLength = 300;

QString readableText(QString text)
{
    text = rv::trimHTML(text);
    text = rv::stringWithEntitiesConverted(text);
    text = rv::removeControlChars(rv::reduceAllWhiteSpace(text));
    return rv::trimWhitespace(text);
}

} // namespace

QString serverWords(const QByteArray& page)
{
    QString text = URLUtilities::textFromData(page.left(serverWordsBytes));
    if (text.isNull())
        text = QString::fromUtf8(page.left(serverWordsBytes));
    // Scripts, styles, comments and declarations are not words for the user;
    // a CDATA section keeps its text.
    static const QRegularExpression hidden(
        QStringLiteral(
            "<(script|style)\\b.*?</\\1\\s*>|<!--.*?-->|<\\?.*?\\?>|<!\\[CDATA\\[|\\]\\]>|"
            "<![^>]*>"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    text.remove(hidden);
    // The head of a page mostly repeats its heading; it counts only when the
    // body says nothing.
    static const QRegularExpression head(QStringLiteral("<head\\b.*?</head\\s*>"),
                                         QRegularExpression::CaseInsensitiveOption |
                                             QRegularExpression::DotMatchesEverythingOption);
    QString words = readableText(QString(text).remove(head));
    if (words.isEmpty())
        words = readableText(text);
    if (words.size() > serverWordsLength)
        words = words.left(serverWordsLength).trimmed() + QChar(0x2026);
    return words;
}

RestError withServerWords(const RestError& error, const QByteArray& page)
{
    const QString words = serverWords(page);
    if (words.isEmpty())
        return error;
    return {error.code, tr("%1 The server said: \u201c%2\u201d").arg(error.message, words)};
}

} // namespace HttpErrors
