#include "AtomDecoder.h"
#include "AtomPubServer.h"
#include "PLUMETPluginProtocol.h"
#include "PluginManager.h"
#include "RestExchange.h"
#include "StringExtensions.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTest>
#include <QTimeZone>

using namespace plumet::test;

// The Atom road against our AtomPub server: the Atom driver bundle makes the
// WSSE headers and the entry document, RESTCall carries them over loopback and
// the Atom decoder reads the answers, as the application does.
namespace {

QString encodeXML(const QString& text)
{
    return rv::encodeXML(text);
}

// The entry dictionary's id as the roads read it: the last "-" part.
QString shortId(const QVariantMap& entry)
{
    return entry.value("id").toString().split(QLatin1Char('-')).last();
}

QString linkHref(const QVariantMap& entry, const QString& rel)
{
    for (const QVariant& link : entry.value("links").toList())
        if (link.toMap().value("rel").toString() == rel)
            return link.toMap().value("href").toString();
    return {};
}

QStringList strings(const QVariant& list)
{
    QStringList result;
    for (const QVariant& item : list.toList())
        result << item.toString();
    return result;
}

} // namespace

class tst_AtomPubPeer : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void serviceDocumentGivesTheBlogs();
    void entryLifecycle();
    void mediaUpload();
    void refusals_data();
    void refusals();
    void refusalCarriesTheServersMessage();
    void replayedNonceIsRefused();

private:
    RestExchange::Result send(const QUrl& url, const QByteArray& method,
                              const QByteArray& body = {},
                              const QByteArray& contentType = "application/atom+xml");
    QString logs() const { return QLatin1Char('\n') + server->logs(); }

    AtomPubServer* server = nullptr;
    PluginManager drivers;
    PLUMETPluginProtocol* atom = nullptr;
};

void tst_AtomPubPeer::initTestCase()
{
    drivers.setBuiltInFolder(QStringLiteral(PLUMET_PLUGIN_FOLDER));
    drivers.setUserFolder(QString());
    drivers.loadPlugins();
    atom = drivers.pluginForKey(QStringLiteral("Atom 1.0"));
    QVERIFY2(atom, qPrintable(drivers.loadErrors().join(QLatin1Char('\n'))));

    server = new AtomPubServer(this);
    QVERIFY2(server->start(), qPrintable(server->problem()));
}

void tst_AtomPubPeer::cleanupTestCase()
{
    delete server;
    server = nullptr;
}

// Every request carries fresh WSSE headers from the driver, as the roads send them.
RestExchange::Result tst_AtomPubPeer::send(const QUrl& url, const QByteArray& method,
                                           const QByteArray& body, const QByteArray& contentType)
{
    RestExchange request(url, method, body, body.isEmpty() ? QByteArray() : contentType);
    request.headers = RESTCall::headerList(
        atom->authenticationHeaders(url, server->username(), server->password()));
    return request.run();
}

void tst_AtomPubPeer::serviceDocumentGivesTheBlogs()
{
    const QUrl address = atom->atomUsersBlogsRequest(server->serviceUrl());
    const RestExchange::Result answer = send(address, "GET");
    QVERIFY2(answer.ok(), qPrintable(answer.problem + logs()));
    QCOMPARE(answer.status, 200);
    const DecodeResult decoded = AtomDecoder::decode(answer.body, address);
    QVERIFY2(!decoded.isFault(), qPrintable(decoded.faultString()));

    const QVariantList blogs = atom->processBloglist(decoded.value());
    QCOMPARE(blogs.size(), 2); // the blog and its media collection
    const QVariantMap blog = blogs.first().toMap();
    QCOMPARE(blog.value("blogname").toString(), server->blogTitle());
    QCOMPARE(blog.value("service.post").toString(), server->collectionUrl().toString());
    QCOMPARE(blog.value("service.feed").toString(), server->collectionUrl().toString());
    QCOMPARE(blog.value("service.categories").toString(), server->categoriesUrl().toString());
    QCOMPARE(blogs.last().toMap().value("service.post").toString(),
             server->mediaCollectionUrl().toString());
}

void tst_AtomPubPeer::entryLifecycle()
{
    const QString title = QStringLiteral("It's Tom & Jerry's café 😀 𝄞");
    const QString body = QStringLiteral("<p>Grüße &amp; <b>bold</b> — 日本語 😀</p>");
    // Just after the spring change of the test's zone.
    const QDateTime date(QDate(2024, 3, 31), QTime(1, 30), QTimeZone::utc());
    QVariantMap data{{"publish", true},
                     {"title", title},
                     {"description", body},
                     {"categories", QVariantList{"Tom & Jerry's", "Peer"}},
                     {"dateCreated", date.toLocalTime()}};

    // New post: POST to the collection, 201 with the stored entry.
    const QUrl collection = server->collectionUrl();
    const QString document = atom->atomPublishRequest(collection, data, &encodeXML, false, {});
    QVERIFY(!document.isEmpty());
    RestExchange::Result answer = send(collection, "POST", document.toUtf8());
    QVERIFY2(answer.ok(), qPrintable(answer.problem + logs()));
    QCOMPARE(answer.status, 201);
    DecodeResult decoded = AtomDecoder::decode(answer.body, collection);
    QVERIFY2(!decoded.isFault(), qPrintable(decoded.faultString()));
    QVariantMap entry = atom->correctEntryDictionary(decoded.value());
    const QString id = shortId(entry);
    QCOMPARE(server->storedEntryIds(), QStringList{id});
    const QUrl edit(linkHref(entry, "edit"));
    QCOMPARE(edit, server->entryUrl(id));
    QCOMPARE(entry.value("title").toString(), title);
    QCOMPARE(entry.value("description").toString(), body);
    QCOMPARE(strings(entry.value("categories")), QStringList({"Tom & Jerry's", "Peer"}));
    QCOMPARE(entry.value("datecreated").toDateTime(), date);
    QVERIFY(!linkHref(entry, "alternate").isEmpty());

    // Read back from its edit address and from the feed.
    answer = send(atom->atomRetrieveEntryRequest(edit), "GET");
    QVERIFY2(answer.ok(), qPrintable(answer.problem + logs()));
    entry = AtomDecoder::decode(answer.body, edit).value().toMap();
    QCOMPARE(entry.value("title").toString(), title);
    QCOMPARE(entry.value("description").toString(), body);
    QUrl feedAddress = atom->atomEntryListRequest(collection);
    feedAddress.setQuery(QStringLiteral("max-results=20"));
    answer = send(feedAddress, "GET");
    QVERIFY2(answer.ok(), qPrintable(answer.problem + logs()));
    const QVariantList items =
        AtomDecoder::decode(answer.body).value().toMap().value("items").toList();
    QCOMPARE(items.size(), 1);
    QCOMPARE(shortId(items.first().toMap()), id);

    // Edit: PUT to the edit address; the publication date stays.
    data.insert("title", QStringLiteral("Edited: \"quotes\" <angle> & 'apostrophes'"));
    data.remove("dateCreated");
    const QString edited = atom->atomPublishRequest(edit, data, &encodeXML, true, {});
    answer = send(edit, "PUT", edited.toUtf8());
    QVERIFY2(answer.ok(), qPrintable(answer.problem + logs()));
    QCOMPARE(answer.status, 200);
    answer = send(edit, "GET");
    entry = AtomDecoder::decode(answer.body, edit).value().toMap();
    QCOMPARE(entry.value("title").toString(), data.value("title").toString());
    QCOMPARE(entry.value("datecreated").toDateTime(), date);
    QCOMPARE(shortId(entry), id);

    // Delete: an empty answer; the entry is gone.
    answer = send(edit, "DELETE");
    QVERIFY2(answer.ok(), qPrintable(answer.problem + logs()));
    QCOMPARE(answer.status, 200);
    QVERIFY(answer.body.isEmpty());
    QVERIFY(server->storedEntryIds().isEmpty());
    answer = send(edit, "GET");
    QVERIFY(!answer.finished);
    QCOMPARE(answer.status, 404);
}

void tst_AtomPubPeer::mediaUpload()
{
    QByteArray bytes;
    for (int i = 0; i < 70000; ++i)
        bytes += static_cast<char>(i * 7 % 256);
    RestExchange request(server->mediaCollectionUrl(), "POST", bytes, "image/png");
    request.headers = RESTCall::headerList(atom->authenticationHeaders(
        server->mediaCollectionUrl(), server->username(), server->password()));
    request.headers.append({QByteArray("Slug"), QByteArray("peer%20d%C3%B6t.png")});
    RestExchange::Result answer = request.run();
    QVERIFY2(answer.ok(), qPrintable(answer.problem + logs()));
    QCOMPARE(answer.status, 201);
    const QVariantMap entry = AtomDecoder::decode(answer.body).value().toMap();
    QCOMPARE(entry.value("title").toString(), QStringLiteral("peer döt.png"));
    QCOMPARE(entry.value("url").toString(), linkHref(entry, "edit-media"));

    answer = send(QUrl(linkHref(entry, "edit-media")), "GET");
    QVERIFY2(answer.ok(), qPrintable(answer.problem + logs()));
    QCOMPARE(answer.body, bytes);
}

void tst_AtomPubPeer::refusals_data()
{
    QTest::addColumn<QString>("username");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("status");
    QTest::newRow("wrong password") << "peer-author"
                                    << "not the password" << 403;
    QTest::newRow("unknown user") << "nobody"
                                  << "s3cret & <pässword>" << 403;
    QTest::newRow("no credentials") << QString() << QString() << 401;
}

// A refused login ends the call as a failure with the server's status, never
// as an answer to decode.
void tst_AtomPubPeer::refusals()
{
    QFETCH(QString, username);
    QFETCH(QString, password);
    QFETCH(int, status);
    RestExchange request(server->collectionUrl());
    request.headers =
        RESTCall::headerList(atom->authenticationHeaders(request.url, username, password));
    const RestExchange::Result answer = request.run();
    QVERIFY(!answer.finished);
    QCOMPARE(answer.status, status);
    QVERIFY(answer.error);
}

// The refusal names its reason in the answer's body, for a road to show.
void tst_AtomPubPeer::refusalCarriesTheServersMessage()
{
    QNetworkAccessManager network;
    QNetworkRequest request(server->collectionUrl());
    const QVariantMap headers =
        atom->authenticationHeaders(request.url(), server->username(), "not the password");
    for (auto it = headers.cbegin(); it != headers.cend(); ++it)
        request.setRawHeader(it.key().toUtf8(), it.value().toString().toUtf8());
    std::unique_ptr<QNetworkReply> reply(network.get(request));
    QSignalSpy finished(reply.get(), &QNetworkReply::finished);
    QVERIFY(finished.wait(20000));
    QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 403);
    QCOMPARE(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString(),
             QStringLiteral("Forbidden"));
    QVERIFY(reply->readAll().contains("<error>Invalid login</error>"));
}

void tst_AtomPubPeer::replayedNonceIsRefused()
{
    RestExchange request(server->collectionUrl());
    request.headers = RESTCall::headerList(
        atom->authenticationHeaders(request.url, server->username(), server->password()));
    RestExchange::Result answer = request.run();
    QVERIFY2(answer.ok(), qPrintable(answer.problem + logs()));
    answer = request.run();
    QVERIFY(!answer.finished);
    QCOMPARE(answer.status, 403);
}

QTEST_MAIN(tst_AtomPubPeer)
#include "tst_atompubpeer.moc"
