// What one HTTP call writes to the network console: its request, the answer's head and body,
// redirects, challenges and failures.
#pragma once

#include "HttpConsoleLog.h"

#include <QByteArray>
#include <QString>

class QUrl;
struct RestError;

// The console lines of a RESTCall, formatted by HttpConsoleLog and handed to
// the ConsoleSink. Passwords never reach it: the request's is masked, and
// credential headers read "******".
class RESTCallConsole {
public:
    using HeaderList = HttpConsoleLog::HeaderList;

    // Begins an exchange (a hidden console keeps only the latest, request
    // and answer together) and writes its request: the sender's `copy`,
    // bounded, or else the address and the body's text with `password`
    // masked. Answers what was written.
    static QString request(const QString& copy, const QUrl& address, const QByteArray& body,
                           const HeaderList& headers, const QString& password);
    static void response(int status, const HeaderList& headers);
    // The answer's text, when it is text; `received` bytes of which `head` was kept.
    static void answer(const QByteArray& head, qint64 received);
    // The start of a refusal's page, when it is text.
    static void refusalPage(const QByteArray& page);
    static void redirect(int status, const QString& from, const QString& to);
    static void challenge(const QString& error, const HeaderList& failureHeaders,
                          const QString& scheme, const QUrl& address, const QString& realm);
    static void failure(int code, const QString& description, const QString& address);
    static void failure(const RestError& error, const QString& address);
    // A line of its own, as it stands.
    static void note(const QString& text);
};
