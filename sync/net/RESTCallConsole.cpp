// What one HTTP call writes to the network console: its request, the answer's head and body,
// redirects, challenges and failures.
#include "RESTCallConsole.h"

#include "ConsoleSink.h"
#include "RestError.h"

#include <QUrl>

namespace {

void write(const QString& text)
{
    ConsoleSink::sharedInstance().addToConsole(text);
}

} // namespace

QString RESTCallConsole::request(const QString& copy, const QUrl& address, const QByteArray& body,
                                 const HeaderList& headers, const QString& password)
{
    ConsoleSink::beginExchange();
    QString written;
    if (!copy.isEmpty()) {
        written = HttpConsoleLog::boundedCopy(copy);
    } else {
        QByteArray contentType;
        for (const auto& [name, value] : headers)
            if (name.compare("Content-Type", Qt::CaseInsensitive) == 0)
                contentType = value;
        written = HttpConsoleLog::request(address, body, contentType, password);
    }
    write(written);
    return written;
}

void RESTCallConsole::response(int status, const HeaderList& headers)
{
    write(HttpConsoleLog::response(status, headers));
}

void RESTCallConsole::answer(const QByteArray& head, qint64 received)
{
    const QString text = HttpConsoleLog::bodyText(head, received);
    if (!text.isNull())
        write(text + QStringLiteral("\n\n"));
}

void RESTCallConsole::refusalPage(const QByteArray& page)
{
    const QString text = HttpConsoleLog::bodyText(page);
    if (!text.isNull())
        write(text + QStringLiteral("\n\n"));
}

void RESTCallConsole::redirect(int status, const QString& from, const QString& to)
{
    write(HttpConsoleLog::redirect(status, from, to));
}

void RESTCallConsole::challenge(const QString& error, const HeaderList& failureHeaders,
                                const QString& scheme, const QUrl& address, const QString& realm)
{
    write(HttpConsoleLog::authorizationRequest(error, failureHeaders, scheme, address.host(),
                                               address.scheme(), realm));
}

void RESTCallConsole::failure(int code, const QString& description, const QString& address)
{
    write(HttpConsoleLog::failure(code, description, address));
}

void RESTCallConsole::failure(const RestError& error, const QString& address)
{
    failure(error.code, error.message, address);
}

void RESTCallConsole::note(const QString& text)
{
    write(text);
}
