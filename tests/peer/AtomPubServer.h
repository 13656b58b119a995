#pragma once

#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

namespace plumet::test {
class PeerProcess;
}

// A private AtomPub server on loopback for peer tests: tests/peer/atompub-peer.pl
// on Debian's Atompub::Server, with WSSE (and Basic) authentication, its data
// in a temporary folder and a port of its own. It stops when the object goes
// away, and dies with the test process.
//
//   AtomPubServer server;
//   QVERIFY2(server.start(), qPrintable(server.problem()));
//   // account address: server.serviceUrl(); login: username() / password()
//
// What it serves (see the script's header for the details):
//   serviceUrl()      GET: a service document with two collections, the blog
//                     (blogTitle(), with a categories document) and its media
//   collectionUrl()   GET: the feed, newest first, "?max-results=N" honoured;
//                     POST: a new entry, answered 201 with Location and the
//                     entry as stored (id "tag:peer.invalid,2024:post-N", links
//                     "edit" = entryUrl(N) and "alternate", author, published =
//                     the client's published or updated date, app:edited)
//   entryUrl(id)      GET, PUT (200 with the entry), DELETE (200, empty body);
//                     404 with an <error> document when there is no such entry
//   categoriesUrl()   GET: the terms of the stored entries
//   mediaCollectionUrl()  POST raw bytes (Slug names them): 201 and a media
//                     link entry whose content src and "edit-media" link give
//                     the bytes back
// Refusals: no credentials 401 with a WSSE challenge; a wrong password, an
// unknown user or a replayed nonce 403; the reason is in the <error> body.
class AtomPubServer : public QObject {
    Q_OBJECT
public:
    explicit AtomPubServer(QObject* parent = nullptr);
    ~AtomPubServer() override;

    bool start();
    void stop();

    QUrl serviceUrl() const;
    QUrl collectionUrl() const;
    QUrl entryUrl(const QString& id) const;
    QUrl categoriesUrl() const;
    QUrl mediaCollectionUrl() const;
    QString username() const { return QStringLiteral("peer-author"); }
    // Escaping and a non-ASCII letter, so that digests are made of UTF-8 bytes.
    QString password() const { return QStringLiteral("s3cret & <pässword>"); }
    QString blogTitle() const { return QStringLiteral("Peer Atom Blog"); }

    // The entry documents the server holds now, by id (what a test can check
    // a road against without asking the server).
    QStringList storedEntryIds() const;
    QByteArray storedEntry(const QString& id) const;
    // While set, deleting an entry answers 500 with an empty body and deletes nothing.
    bool setDeletesFail(bool fail);

    // Why start() failed, followed by the log's tail.
    QString problem() const;
    // One line per request: method, path, status.
    QString logs() const;

private:
    QString path(const QString& relative) const;
    bool fail(const QString& reason);

    QTemporaryDir m_root;
    plumet::test::PeerProcess* m_process = nullptr;
    quint16 m_port = 0;
    QString m_problem;
};
