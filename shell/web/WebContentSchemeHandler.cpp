#include "WebContentSchemeHandler.h"

#include "WebContent.h"

#include <QBuffer>
#include <QWebEngineUrlRequestJob>

WebContentSchemeHandler::WebContentSchemeHandler(QObject* parent)
    : QWebEngineUrlSchemeHandler(parent)
{
}

QString WebContentSchemeHandler::key(const QUrl& url)
{
    return url.adjusted(QUrl::RemoveFragment | QUrl::RemoveQuery).toString();
}

QUrl WebContentSchemeHandler::addDocument(const QByteArray& html)
{
    QUrl url;
    url.setScheme(WebContent::schemeName());
    url.setHost(QStringLiteral("page"));
    url.setPath(QStringLiteral("/%1.html").arg(m_next++));
    m_documents.insert(key(url), html);
    return url;
}

void WebContentSchemeHandler::removeDocument(const QUrl& url)
{
    m_documents.remove(key(url));
}

bool WebContentSchemeHandler::hasDocument(const QUrl& url) const
{
    return m_documents.contains(key(url));
}

void WebContentSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job)
{
    const auto found = m_documents.constFind(key(job->requestUrl()));
    if (found == m_documents.constEnd()) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    // The job owns the buffer, so it lives as long as the engine reads it.
    auto* buffer = new QBuffer(job);
    buffer->setData(*found);
    job->reply(QByteArrayLiteral("text/html"), buffer);
}
