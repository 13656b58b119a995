#pragma once

#include "RestError.h"

#include <QNetworkReply>
#include <chrono>
#include <optional>

// Turns HTTP statuses and transport failures into the codes and sentences that
// callers show. Codes follow the URL-loading error numbers (-1000 bad address,
// -1001 timed out, -1005 connection lost, -1012/-1013 login, -1103 answer too
// large, -1200 TLS, ...). Each cause has its own sentence.
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
    NotConnectedToInternet = -1009,
    BadServerResponse = -1011,
    UserCancelledAuthentication = -1012,
    UserAuthenticationRequired = -1013,
    NoPermissionsToReadFile = -1102,
    DataLengthExceedsMaximum = -1103,
    SecureConnectionFailed = -1200,
    ServerCertificateUntrusted = -1202,
};

// How far an exchange had come when it broke: the same failure means
// different things before the connection, while waiting for the answer and in
// the middle of it.
enum class Stage { Connecting, Sending, Waiting, Receiving };

// 404, 403 and 500 end a call; every other status goes on.
std::optional<RestError> errorForStatus(int httpStatus);

// 429 and the 5xx statuses besides 500 mean the server could not answer now. An
// answer in XML (a fault, an error document) is still the answer; any other page (a
// proxy's or host's "busy" page, or nothing) is not, and ends the call with this.
std::optional<RestError> errorForUnavailable(int httpStatus, const QString& address,
                                             const QByteArray& body);

// Whether a finished reply is an HTTP error page: a status of 400 or more, and
// the error the network library gives for that status and nothing else (a
// broken or undecodable body is a transport failure whatever the status).
bool isErrorPage(QNetworkReply::NetworkError error, int httpStatus);

// The code for a reply that finished with an error; a cancel reads as a time-out.
int codeForNetworkError(QNetworkReply::NetworkError error);

// The sentence for a transport failure; `address` empty names "server".
// `limitSeconds` is the inactivity limit that ran out, for a time-out.
QString messageForTransportError(int code, const QString& address, const QString& description,
                                 Stage stage = Stage::Connecting, double limitSeconds = 0);

RestError transportError(int code, const QString& address, const QString& description,
                         Stage stage = Stage::Connecting, double limitSeconds = 0);

// No response began within the response time-out after the request was sent.
RestError responseTimedOut(const QString& address, double seconds);
// The whole exchange outlasted its deadline.
RestError deadlinePassed(const QString& address, std::chrono::milliseconds deadline);
// A transfer of the exchange went slower than `bytesPerSecond` over `window`.
RestError tooSlow(const QString& address, qint64 bytesPerSecond, std::chrono::milliseconds window);
// The answer was larger than the exchange accepts.
RestError answerTooLarge(const QString& address, qint64 limitBytes);
// How much of a refused request's page is kept for the server's own words.
constexpr qsizetype serverWordsBytes = 16 * 1024;

// The readable text of an error page on one line ("Invalid login"), at most
// a few hundred characters; empty when the page says nothing readable.
QString serverWords(const QByteArray& page);

// The error of a refused request, with what the server's page says after its
// sentence, so that a refused login shows the server's reason.
RestError withServerWords(const RestError& error, const QByteArray& page);

// A 401 without a challenge to answer, when no login had been sent.
RestError loginDemandedWithoutChallenge(const QString& address);

} // namespace HttpErrors
