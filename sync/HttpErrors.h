#pragma once

#include "RestError.h"

#include <QNetworkReply>
#include <optional>

// Turns HTTP statuses and transport failures into the codes and sentences that
// callers show. Codes follow the URL-loading error numbers (-1000 bad address,
// -1001 timed out, -1005 connection lost, -1012/-1013 login, -1200 TLS, ...).
namespace HttpErrors {

enum Code : int {
    Unknown = -1,
    Cancelled = -999,
    BadURL = -1000,
    TimedOut = -1001,
    UnsupportedURL = -1002,
    CannotFindHost = -1003,
    CannotConnectToHost = -1004,
    NetworkConnectionLost = -1005,
    HTTPTooManyRedirects = -1007,
    ResourceUnavailable = -1008,
    BadServerResponse = -1011,
    UserCancelledAuthentication = -1012,
    UserAuthenticationRequired = -1013,
    NoPermissionsToReadFile = -1102,
    SecureConnectionFailed = -1200,
    ServerCertificateUntrusted = -1202,
};

// 404, 403 and 500 end a call; every other status goes on.
std::optional<RestError> errorForStatus(int httpStatus);

// The code for a reply that finished with an error; a cancel reads as a time-out.
int codeForNetworkError(QNetworkReply::NetworkError error);

// The sentence for a transport failure; `address` empty names "server".
QString messageForTransportError(int code, const QString& address, const QString& description);

RestError transportError(int code, const QString& address, const QString& description);

QString responseTimedOutMessage();

} // namespace HttpErrors
