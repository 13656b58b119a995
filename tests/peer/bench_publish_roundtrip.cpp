#include "ActivityList.h"
#include "Benchmark.h"
#include "PublishBenchmark.h"
#include "ServerRoads.h"
#include "XMLRPCEncoder.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTimeZone>

// Publishing new posts to the local WordPress through the whole road (the
// entry's buffers, the driver, the encoder, RESTCall, the decoder, the merge,
// the entry file) against the same two requests per post, newPost and
// getPost, written once beforehand and sent by a bare QNetworkAccessManager.
namespace {

using namespace plumet::test;

constexpr int postsPerRun = 10;
constexpr int runs = 5;

QByteArray post(QNetworkAccessManager& manager, const QUrl& url, const QByteArray& body)
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("text/xml"));
    QNetworkReply* reply = manager.post(request, body);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    const QByteArray answer = reply->readAll();
    reply->deleteLater();
    return answer;
}

QByteArray encoded(const QString& method, const QVariantMap& objects, const QStringList& keys)
{
    XMLRPCEncoder encoder;
    encoder.setMethod(method);
    encoder.setObjects(objects);
    encoder.setKeys(keys);
    encoder.setConvertUTC(true);
    return encoder.document();
}

} // namespace

int main(int argc, char** argv)
{
    plumet::test::ensurePrivateSessionBus(argc, argv);
    QCoreApplication app(argc, argv);
    plumet::test::TestKeyring keyring;
    WordPressServer wordpress;
    if (!startPublishBenchmark(keyring, wordpress))
        return 1;
    const BlogSetup setup =
        makeBlog(QStringLiteral("Wordpress"), wordpress.xmlrpcUrl(), wordpress.username(),
                 wordpress.password(), QStringLiteral("1"));
    ActivityList list;
    PublishRoad road(list);
    ServerRoads::setSharedInstance(&road);

    // Each post a title of its own, the same on both sides but for one letter:
    // WordPress makes a post's slug unique by trying "-2", "-3", … in turn, so
    // posts of one title cost it more with each, and the side that runs second
    // in each pair would pay for the first.
    const QString title = QStringLiteral("Benchmark post — ü %1%2");
    const auto titleOf = [&title](char side, int number) {
        return title.arg(QLatin1Char(side)).arg(number, 3, 10, QLatin1Char('0'));
    };
    constexpr int postsPerSide = postsPerRun * (runs + 1); // the warm-up run too
    const QString body = QStringLiteral("<p>A paragraph of text, as posts have them. Grüße!</p>");
    const QDateTime date(QDate(2024, 5, 1), QTime(8, 0), QTimeZone::utc());

    int requestsPerPost = -1;
    QObject::connect(&road, &PublishRoad::jobCreated, [&requestsPerPost](QObject* object) {
        auto* job = qobject_cast<PublishJob*>(object);
        QObject::connect(job, &Job::finished, [&requestsPerPost, job] {
            if (job->state() != Job::State::Finished)
                qFatal("publish failed: %s", qPrintable(job->error() ? job->error()->message : ""));
            if (requestsPerPost >= 0 && requestsPerPost != job->requestCount())
                qFatal("a new post took %d requests", job->requestCount());
            requestsPerPost = job->requestCount();
        });
    });
    int oursPosted = 0;
    auto ours = [&] {
        return plumet::test::millisecondsOf([&] {
            for (int i = 0; i < postsPerRun; ++i) {
                auto entry = Entry::create();
                entry->setTitle(titleOf('o', oursPosted++));
                entry->setBody(body);
                entry->setEntryDate(date);
                setup.blog->addEntry(entry);
                publishAndWait(road, entry, 30000);
            }
        });
    };

    // The anchor's requests, written once.
    const QVariantMap login{{"username", wordpress.username()}, {"password", wordpress.password()}};
    QList<QByteArray> newPosts;
    for (int number = 0; number < postsPerSide; ++number) {
        QVariantMap newPostObjects = login;
        newPostObjects.insert({{"blogid", "1"},
                               {"publish", true},
                               {"content", QVariantMap{{"title", titleOf('a', number)},
                                                       {"description", body},
                                                       {"mt_text_more", ""},
                                                       {"mt_excerpt", ""},
                                                       {"mt_keywords", ""},
                                                       {"dateCreated", date},
                                                       {"mt_allow_comments", 1},
                                                       {"mt_allow_pings", 0},
                                                       {"mt_convert_breaks", ""}}}});
        newPosts << encoded(QStringLiteral("metaWeblog.newPost"), newPostObjects,
                            {"blogid", "username", "password", "content", "publish"});
    }
    QVariantMap getPostObjects = login;
    getPostObjects.insert("postid", QStringLiteral("@ID@"));
    const QByteArray getPost = encoded(QStringLiteral("metaWeblog.getPost"), getPostObjects,
                                       {"postid", "username", "password"});
    QNetworkAccessManager manager;
    const QRegularExpression idPattern(QStringLiteral("<string>(\\d+)</string>"));
    int anchorPosted = 0;
    auto anchor = [&] {
        return plumet::test::millisecondsOf([&] {
            for (int i = 0; i < postsPerRun; ++i) {
                const QByteArray created =
                    post(manager, wordpress.xmlrpcUrl(), newPosts.at(anchorPosted++));
                const QString id = idPattern.match(QString::fromUtf8(created)).captured(1);
                if (id.isEmpty())
                    qFatal("the anchor's post was not made: %s", created.constData());
                QByteArray fetch = getPost;
                post(manager, wordpress.xmlrpcUrl(), fetch.replace("@ID@", id.toUtf8()));
            }
        });
    };

    ours(); // warm both up
    anchor();
    const auto comparison = plumet::test::interleaved(runs, ours, anchor);
    ServerRoads::setSharedInstance(nullptr);
    qInfo("a new post cost %d requests", requestsPerPost);
    if (requestsPerPost != 2)
        return 1;
    plumet::test::printComparison("publish_roundtrip",
                                  QStringLiteral("bare QNetworkAccessManager, newPost + getPost"),
                                  comparison);
    return 0;
}
