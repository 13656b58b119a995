#pragma once

#include <QByteArray>
#include <QHash>
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>

// Serves the documents our pages show from memory. Each document gets an
// address of its own under the content scheme; it is served for as long as
// its page keeps it (reloads included) and forgotten when the page lets go.
// Unknown addresses fail as not found. Main thread only.
class WebContentSchemeHandler : public QWebEngineUrlSchemeHandler {
    Q_OBJECT
public:
    explicit WebContentSchemeHandler(QObject* parent = nullptr);

    // Keeps `html` (UTF-8) and answers the address it is served under.
    QUrl addDocument(const QByteArray& html);
    void removeDocument(const QUrl& url);
    bool hasDocument(const QUrl& url) const;

    void requestStarted(QWebEngineUrlRequestJob* job) override;

private:
    static QString key(const QUrl& url);

    QHash<QString, QByteArray> m_documents;
    quint64 m_next = 1;
};
