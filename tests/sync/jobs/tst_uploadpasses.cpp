#include "AccountList.h"
#include "AddonManager.h"
#include "AtomDriver.h"
#include "ImageAttachment.h"
#include "MovieAttachment.h"
#include "PassAttachment.h"
#include "PluginManager.h"
#include "TestSecretService.h"
#include "UploadTesting.h"
#include "UploaderManager.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

// The passes of a media attachment on each road: on a blog the main file and
// then its companion, each in a request of its own under its own name, folder
// and type (a movie's JPEG thumbnail goes as image/jpeg); what the server has
// already is not sent again, a failed companion pass keeps the main address
// and the next upload sends only the companion; an uploader gets both files
// in one request.
using namespace plumet::test;
Q_DECLARE_METATYPE(TestHttpServer::Response)

namespace {

const QByteArray pngBytes("\x89PNG\r\n\x1a\n\0\0\0\rIHDR png source", 27);
const QByteArray jpegBytes("\xff\xd8\xff\xe0\0\x10JFIF\0 a converted copy", 30);
const QByteArray thumbBytes("\xff\xd8\xff\xe0\0\x10JFIF\0 thumbnail", 24);
const QByteArray movieBytes("\0\0\0\x14"
                            "ftypqt  \0\0\0\0qt  movie",
                            28);
const QByteArray posterBytes("\0\0\0\x14"
                             "ftypqt  \0\0\0\0qt  poster",
                             29);

// An uploader plug-in that notes its one request and answers at once.
class NotingUploader : public QObject, public PLUMETUploaderProtocol {
    Q_OBJECT
    Q_INTERFACES(PLUMETUploaderProtocol)
public:
    QVariantMap request;
    int calls = 0;
    bool canSpecify = false;
    QVariantMap answer;

    QString uploaderKey() const override { return QStringLiteral("Noting"); }
    QString uploaderDescription() const override { return {}; }
    bool canSpecifyDestinationPath() const override { return canSpecify; }
    std::unique_ptr<PLUMETUploaderSettings> uploaderRequested(const QVariantMap&) override
    {
        return nullptr;
    }
    void uploadData(const QVariantMap& data, Callbacks callbacks) override
    {
        ++calls;
        request = data;
        callbacks.success(answer);
    }
    void cancel() override {}
};

// An Atom driver that writes a media entry around the file's Base64.
class MediaEntryDriver : public AtomDriver {
    Q_OBJECT
public:
    QString pluginKey() const override { return QStringLiteral("Atom media entries"); }
    bool supportsUpload() const override { return true; }
    QString atomUploadRequest(const QUrl&, const QVariantMap& data,
                              const TextEncoder& encode) override
    {
        return QStringLiteral("<entry xmlns=\"http://www.w3.org/2005/Atom\"><title>%1</title>"
                              "<content type=\"%2\" mode=\"base64\">%3</content></entry>")
            .arg(encode(data.value(QStringLiteral("title")).toString()),
                 data.value(QStringLiteral("type")).toString(),
                 data.value(QStringLiteral("base64")).toString());
    }
};

Response mediaAnswer(const QString& url)
{
    return xmlrpcAnswer(QVariantMap{{"url", url}, {"file", "x"}});
}

Response atomAnswer(const QString& url)
{
    return Response::ok(
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><entry xmlns=\"http://www.w3.org/2005/Atom\" "
        "xmlns:media=\"http://search.yahoo.com/mrss/\"><title>x</title>"
        "<media:content url=\"" +
            url.toUtf8() + "\"/></entry>",
        "application/atom+xml");
}

} // namespace

class tst_UploadPasses : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void blogPasses_data();
    void blogPasses();
    void atomPasses_data();
    void atomPasses();
    void onlyWhatIsMissingGoes();
    void failedCompanionPassKeepsTheMainAddress();
    void uploaderTakesBothInOneRequest_data();
    void uploaderTakesBothInOneRequest();
    void uploaderWithoutItsCompanionSendsNothing();
    void recordsTakeTheAnswersAddresses_data();
    void recordsTakeTheAnswersAddresses();
    void movieWithAnotherLinkOptionSendsItsNewCompanion_data();
    void movieWithAnotherLinkOptionSendsItsNewCompanion();

private:
    QString makeFile(const QString& name, const QByteArray& bytes);
    // An attachment of the named kind: "png" (a PNG whose converted JPEG goes
    // up), "JPEG" (a JPEG sent as it is), "movie thumbnail", "movie poster".
    std::shared_ptr<PassAttachment> makeAttachment(const QString& kind);
    void toBlog(PassAttachment& attachment, const BlogSetup& setup);
    std::shared_ptr<UploadOutcome> upload(const AttachmentPtr& attachment);

    plumet::test::TestKeyring m_keyring;
    QTemporaryDir m_files;
    UploadRig m_rig;
    EventRecorder m_events;
    NotingUploader m_uploader;
    MediaEntryDriver m_mediaEntries;
};

void tst_UploadPasses::initTestCase()
{
    QString error;
    QVERIFY2(m_keyring.start(&error), qPrintable(error));
    QVERIFY(m_files.isValid());
    loadDrivers();
    QVERIFY(AddonManager::sharedInstance().registerPlugin(&m_events, QStringLiteral("test")));
    QVERIFY(UploaderManager::sharedInstance().registerPlugin(&m_uploader, QStringLiteral("test")));
    QVERIFY(
        PluginManager::sharedInstance().registerPlugin(&m_mediaEntries, QStringLiteral("test")));
}

void tst_UploadPasses::init()
{
    m_events.events.clear();
    m_uploader.calls = 0;
    m_uploader.request.clear();
    QVERIFY(m_rig.start(this));
}

void tst_UploadPasses::cleanup()
{
    m_rig.stop();
}

QString tst_UploadPasses::makeFile(const QString& name, const QByteArray& bytes)
{
    const QString path = m_files.filePath(name);
    QFile file(path);
    [&] {
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
    }();
    return path;
}

std::shared_ptr<PassAttachment> tst_UploadPasses::makeAttachment(const QString& kind)
{
    auto attachment = std::make_shared<PassAttachment>();
    if (kind == QLatin1String("png")) {
        attachment->initWithPath(makeFile(QStringLiteral("Photo.png"), pngBytes));
        // The cache's names: the converted copy and the thumbnail by identifier.
        attachment->convertedFile = makeFile(QStringLiteral("0A1B.jpeg"), jpegBytes);
        attachment->sendConverted = true;
        attachment->companionFile = makeFile(QStringLiteral("0A1Bt.jpeg"), thumbBytes);
        attachment->thumbSuffix = QStringLiteral("-tm");
    } else if (kind == QLatin1String("JPEG")) {
        attachment->initWithPath(makeFile(QStringLiteral("Photo.JPEG"), jpegBytes));
        attachment->companionFile = makeFile(QStringLiteral("2C3Dt.jpeg"), thumbBytes);
        attachment->thumbPrefix = QStringLiteral("t_");
        attachment->thumbSuffix = QStringLiteral("-tm");
    } else {
        attachment->initWithPath(makeFile(QStringLiteral("clip.mov"), movieBytes));
        if (kind == QLatin1String("movie poster")) {
            attachment->companionFile = makeFile(QStringLiteral("4E5Fp.mov"), posterBytes);
            attachment->companionIsPoster = true;
            attachment->thumbPrefix = QStringLiteral("p_");
        } else {
            attachment->companionFile = makeFile(QStringLiteral("4E5Ft.jpeg"), thumbBytes);
        }
    }
    return attachment;
}

void tst_UploadPasses::toBlog(PassAttachment& attachment, const BlogSetup& setup)
{
    sendToBlog(*m_rig.accounts, attachment, setup);
}

// Each upload starts at once, without a row of its own.
std::shared_ptr<UploadOutcome> tst_UploadPasses::upload(const AttachmentPtr& attachment)
{
    return uploadAndWait(*m_rig.road, attachment, true);
}

void tst_UploadPasses::blogPasses_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<QString>("thumbDestination");
    QTest::addColumn<QString>("mainName");
    QTest::addColumn<QString>("mainType");
    QTest::addColumn<QByteArray>("mainBytes");
    QTest::addColumn<QString>("companionName");
    QTest::addColumn<QString>("companionType");
    QTest::addColumn<QByteArray>("companionBytes");

    QTest::newRow("png converted to JPEG") << "png"
                                           << "/images"
                                           << ""
                                           << "images/Photo.jpg"
                                           << "image/jpeg" << jpegBytes << "Photo-tm.jpg"
                                           << "image/jpeg" << thumbBytes;
    QTest::newRow("JPEG sent as it is") << "JPEG"
                                        << "/"
                                        << "/thumbs/"
                                        << "Photo.jpg"
                                        << "image/jpeg" << jpegBytes << "thumbs/t_Photo-tm.jpg"
                                        << "image/jpeg" << thumbBytes;
    QTest::newRow("movie and its thumbnail") << "movie thumbnail"
                                             << "media/"
                                             << "media"
                                             << "media/clip.mov"
                                             << "video/quicktime" << movieBytes << "media/clip.jpg"
                                             << "image/jpeg" << thumbBytes;
    QTest::newRow("movie and its poster movie") << "movie poster"
                                                << ""
                                                << ""
                                                << "clip.mov"
                                                << "video/quicktime" << movieBytes << "p_clip.mov"
                                                << "video/quicktime" << posterBytes;
}

void tst_UploadPasses::blogPasses()
{
    QFETCH(QString, kind);
    QFETCH(QString, destination);
    QFETCH(QString, thumbDestination);
    QFETCH(QString, mainName);
    QFETCH(QString, mainType);
    QFETCH(QByteArray, mainBytes);
    QFETCH(QString, companionName);
    QFETCH(QString, companionType);
    QFETCH(QByteArray, companionBytes);

    m_rig.server->enqueue(mediaAnswer(QStringLiteral("http://blog.invalid/main")));
    m_rig.server->enqueue(mediaAnswer(QStringLiteral("http://blog.invalid/companion")));
    const BlogSetup setup = makeBlog(QStringLiteral("Wordpress"), m_rig.server->url("/xmlrpc.php"));
    const auto attachment = makeAttachment(kind);
    toBlog(*attachment, setup);
    attachment->setDestination(destination);
    attachment->thumbDestination = thumbDestination;
    const QString shown = attachment->fileName();

    const auto outcome = upload(attachment);
    QCOMPARE(outcome->message, QString());
    QCOMPARE(outcome->done, 1);
    QCOMPARE(outcome->passes, 2);
    QCOMPARE(attachment->uploadPath(), QStringLiteral("http://blog.invalid/main"));
    QCOMPARE(attachment->companionAddress, QStringLiteral("http://blog.invalid/companion"));
    QCOMPARE(outcome->statuses,
             QStringList({QStringLiteral("Uploading media \"%1\"...").arg(shown),
                          QStringLiteral("Uploading thumbnail for \"%1\"...").arg(shown)}));

    QCOMPARE(m_rig.server->requests().size(), 2);
    const QByteArray& first = m_rig.server->requests().at(0).body;
    const QByteArray& second = m_rig.server->requests().at(1).body;
    QCOMPARE(xmlrpcString(first, "name"), mainName);
    QCOMPARE(xmlrpcString(first, "type"), mainType);
    QCOMPARE(xmlrpcBits(first), mainBytes);
    QCOMPARE(xmlrpcString(second, "name"), companionName);
    QCOMPARE(xmlrpcString(second, "type"), companionType);
    QCOMPARE(xmlrpcBits(second), companionBytes);
    // One upload, one event.
    QTRY_COMPARE(m_events.events.size(), 1);
}

void tst_UploadPasses::atomPasses_data()
{
    QTest::addColumn<QString>("driver");
    QTest::newRow("media entry") << "Atom media entries";
    QTest::newRow("the file itself") << "Atom 1.0";
}

void tst_UploadPasses::atomPasses()
{
    QFETCH(QString, driver);
    m_rig.server->enqueue(atomAnswer(QStringLiteral("http://blog.invalid/media/clip.mov")));
    m_rig.server->enqueue(atomAnswer(QStringLiteral("http://blog.invalid/media/clip.jpg")));
    const BlogSetup setup = makeBlog(driver, m_rig.server->url("/atom"));
    setup.blog->setServices(
        QVariantMap{{"service.upload", m_rig.server->url("/atom/media").toString()}});
    const auto attachment = makeAttachment(QStringLiteral("movie thumbnail"));
    toBlog(*attachment, setup);
    // No folder on the Atom road.
    attachment->setDestination(QStringLiteral("media"));
    attachment->thumbDestination = QStringLiteral("thumbs");

    const auto outcome = upload(attachment);
    QCOMPARE(outcome->message, QString());
    QCOMPARE(outcome->done, 1);
    QCOMPARE(attachment->uploadPath(), QStringLiteral("http://blog.invalid/media/clip.mov"));
    QCOMPARE(attachment->companionAddress, QStringLiteral("http://blog.invalid/media/clip.jpg"));
    QCOMPARE(m_rig.server->requests().size(), 2);
    const QList<QPair<QByteArray, QByteArray>> sent{{"clip.mov", "video/quicktime"},
                                                    {"clip.jpg", "image/jpeg"}};
    const QList<QByteArray> bytes{movieBytes, thumbBytes};
    for (int pass = 0; pass < 2; ++pass) {
        const TestHttpServer::Request& request = m_rig.server->requests().at(pass);
        QCOMPARE(request.target, QByteArray("/atom/media"));
        if (driver == QLatin1String("Atom 1.0")) {
            QCOMPARE(request.header("Slug"), sent.at(pass).first);
            QCOMPARE(request.header("Content-Type"), sent.at(pass).second);
            QCOMPARE(request.body, bytes.at(pass));
        } else {
            QVERIFY2(request.body.contains("<title>" + sent.at(pass).first + "</title>"),
                     request.body.left(300).constData());
            const QByteArray content = "<content type=\"" + sent.at(pass).second +
                                       "\" mode=\"base64\">" + bytes.at(pass).toBase64() +
                                       "</content>";
            QVERIFY2(request.body.contains(content), request.body.left(300).constData());
        }
    }
}

void tst_UploadPasses::onlyWhatIsMissingGoes()
{
    const BlogSetup setup = makeBlog(QStringLiteral("Wordpress"), m_rig.server->url("/xmlrpc.php"));
    const auto attachment = makeAttachment(QStringLiteral("png"));
    toBlog(*attachment, setup);

    // Main file up, thumbnail not: one request, the thumbnail.
    m_rig.server->enqueue(mediaAnswer(QStringLiteral("http://blog.invalid/Photo-tm.jpg")));
    attachment->setUploadPath(QStringLiteral("http://blog.invalid/Photo.jpg"));
    auto outcome = upload(attachment);
    QCOMPARE(outcome->done, 1);
    QCOMPARE(outcome->passes, 1);
    QCOMPARE(outcome->statuses,
             QStringList(QStringLiteral("Uploading thumbnail for \"Photo.png\"...")));
    QCOMPARE(m_rig.server->requests().size(), 1);
    QCOMPARE(xmlrpcString(m_rig.server->requests().at(0).body, "name"),
             QStringLiteral("Photo-tm.jpg"));
    QCOMPARE(attachment->uploadPath(), QStringLiteral("http://blog.invalid/Photo.jpg"));
    QCOMPARE(attachment->companionAddress, QStringLiteral("http://blog.invalid/Photo-tm.jpg"));
    QTRY_COMPARE(m_events.events.size(), 1);

    // Both up: nothing is sent, the caller hears it is done, no add-on hears of an upload.
    outcome = upload(attachment);
    QCOMPARE(outcome->done, 1);
    QCOMPARE(outcome->passes, 0);
    QCOMPARE(m_rig.server->requests().size(), 1);
    QTest::qWait(50);
    QCOMPARE(m_events.events.size(), 1);

    // Even without a destination: there is nothing to send anywhere.
    attachment->setAccountID(QString());
    outcome = upload(attachment);
    QCOMPARE(outcome->done, 1);
    QCOMPARE(outcome->failed, 0);
}

void tst_UploadPasses::failedCompanionPassKeepsTheMainAddress()
{
    m_rig.server->enqueue(mediaAnswer(QStringLiteral("http://blog.invalid/Photo.jpg")));
    m_rig.server->enqueue(Response::withStatus(500));
    m_rig.server->enqueue(mediaAnswer(QStringLiteral("http://blog.invalid/Photo-tm.jpg")));
    const BlogSetup setup = makeBlog(QStringLiteral("Wordpress"), m_rig.server->url("/xmlrpc.php"));
    const auto attachment = makeAttachment(QStringLiteral("png"));
    toBlog(*attachment, setup);

    auto outcome = upload(attachment);
    QCOMPARE(outcome->failed, 1);
    QVERIFY(!outcome->message.isEmpty());
    QCOMPARE(m_rig.server->requests().size(), 2);
    QCOMPARE(attachment->uploadPath(), QStringLiteral("http://blog.invalid/Photo.jpg"));
    QVERIFY(attachment->companionAddress.isEmpty());
    QVERIFY(!attachment->uploadComplete());
    QVERIFY(m_events.events.isEmpty());

    outcome = upload(attachment);
    QCOMPARE(outcome->done, 1);
    QCOMPARE(m_rig.server->requests().size(), 3);
    const QByteArray& retry = m_rig.server->requests().at(2).body;
    QCOMPARE(xmlrpcString(retry, "name"), QStringLiteral("Photo-tm.jpg"));
    QCOMPARE(xmlrpcBits(retry), thumbBytes);
    QCOMPARE(attachment->uploadPath(), QStringLiteral("http://blog.invalid/Photo.jpg"));
    QCOMPARE(attachment->companionAddress, QStringLiteral("http://blog.invalid/Photo-tm.jpg"));
}

void tst_UploadPasses::uploaderTakesBothInOneRequest_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("canSpecify");
    QTest::addColumn<QVariantMap>("answer");
    QTest::addColumn<QVariantMap>("expected"); // besides bits and the companion's bits

    QTest::newRow("png, folders") << "png" << true
                                  << QVariantMap{{"url", "http://photos.invalid/1.jpg"},
                                                 {"thumburl", "http://photos.invalid/1-tm.jpg"}}
                                  << QVariantMap{{"name", "holiday/Photo.jpg"},
                                                 {"type", "image/jpeg"},
                                                 {"thumbname", "holiday/Photo-tm.jpg"},
                                                 {"thumbheight", 100},
                                                 {"thumbwidth", 133}};
    QTest::newRow("png, no folders") << "png" << false
                                     << QVariantMap{{"url", "http://photos.invalid/1.jpg"},
                                                    {"thumburl", "http://photos.invalid/1-tm.jpg"}}
                                     << QVariantMap{{"name", "Photo.jpg"},
                                                    {"type", "image/jpeg"},
                                                    {"thumbname", "Photo-tm.jpg"},
                                                    {"thumbheight", 100},
                                                    {"thumbwidth", 133}};
    QTest::newRow("movie poster") << "movie poster" << true
                                  << QVariantMap{{"url", "http://photos.invalid/clip.mov"},
                                                 {"posterurl", "http://photos.invalid/p_clip.mov"}}
                                  << QVariantMap{{"name", "holiday/clip.mov"},
                                                 {"type", "video/quicktime"},
                                                 {"postername", "holiday/p_clip.mov"}};
}

void tst_UploadPasses::uploaderTakesBothInOneRequest()
{
    QFETCH(QString, kind);
    QFETCH(bool, canSpecify);
    QFETCH(QVariantMap, answer);
    QFETCH(QVariantMap, expected);
    m_uploader.canSpecify = canSpecify;
    m_uploader.answer = answer;
    const auto attachment = makeAttachment(kind);
    attachment->setAccountID(QStringLiteral("Noting"));
    attachment->setDestination(QStringLiteral("/holiday"));
    // The uploader's names take the destination; the thumbnail folder is the blog's.
    attachment->thumbDestination = QStringLiteral("thumbs");

    const auto outcome = upload(attachment);
    QCOMPARE(outcome->message, QString());
    QCOMPARE(outcome->done, 1);
    QCOMPARE(m_uploader.calls, 1);
    QVariantMap request = m_uploader.request;
    const bool poster = attachment->companionIsPoster;
    QCOMPARE(request.take(poster ? "posterbits" : "thumbbits").toByteArray(),
             poster ? posterBytes : thumbBytes);
    QCOMPARE(request.take("bits").toByteArray(), kind == "png" ? jpegBytes : movieBytes);
    QCOMPARE(request, expected);
    QCOMPARE(attachment->uploadPath(), answer.value("url").toString());
    QCOMPARE(attachment->companionAddress,
             answer.value(poster ? "posterurl" : "thumburl").toString());
}

void tst_UploadPasses::uploaderWithoutItsCompanionSendsNothing()
{
    const auto attachment = makeAttachment(QStringLiteral("png"));
    attachment->setAccountID(QStringLiteral("Noting"));
    QVERIFY(QFile::remove(attachment->companionFile));
    const auto outcome = upload(attachment);
    QCOMPARE(outcome->failed, 1);
    QCOMPARE(
        outcome->message,
        QStringLiteral("The data for uploading could not be prepared for some obscure reason."));
    QCOMPARE(m_uploader.calls, 0);
    QVERIFY(attachment->uploadPath().isEmpty());
}

void tst_UploadPasses::recordsTakeTheAnswersAddresses_data()
{
    QTest::addColumn<int>("option");  // -1: an image with a thumbnail, -2: without
    QTest::addColumn<bool>("mainUp"); // the main file had an address already
    QTest::addColumn<QVariantMap>("answer");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<QString>("main");
    QTest::addColumn<QString>("thumb");
    QTest::addColumn<QString>("poster");
    QTest::addColumn<bool>("complete");

    const QString up = QStringLiteral("http://b.invalid/up");
    const QVariantMap url{{"url", "http://b.invalid/u"}};
    QTest::newRow("image, both") << -1 << false
                                 << QVariantMap{{"url", "http://b.invalid/u"},
                                                {"thumburl", "http://b.invalid/t"}}
                                 << true << "http://b.invalid/u"
                                 << "http://b.invalid/t"
                                 << "" << true;
    QTest::newRow("image, main") << -1 << false << url << true << "http://b.invalid/u"
                                 << ""
                                 << "" << false;
    QTest::newRow("image, then its thumbnail")
        << -1 << true << url << true << up << "http://b.invalid/u"
        << "" << true;
    QTest::newRow("image without thumbnail") << -2 << false << url << true << "http://b.invalid/u"
                                             << ""
                                             << "" << true;
    QTest::newRow("no url") << -1 << false << QVariantMap{{"thumburl", "http://b.invalid/t"}}
                            << false << ""
                            << ""
                            << "" << false;
    QTest::newRow("movie 2, both")
        << 2 << false
        << QVariantMap{{"url", "http://b.invalid/u"}, {"thumburl", "http://b.invalid/t"}} << true
        << "http://b.invalid/u"
        << "http://b.invalid/t"
        << "" << true;
    QTest::newRow("movie 1, poster before thumbnail")
        << 1 << false
        << QVariantMap{{"url", "http://b.invalid/u"},
                       {"thumburl", "http://b.invalid/t"},
                       {"posterurl", "http://b.invalid/p"}}
        << true << "http://b.invalid/u"
        << ""
        << "http://b.invalid/p" << true;
    QTest::newRow("movie 1, then its poster") << 1 << true << url << true << up << ""
                                              << "http://b.invalid/u" << true;
    QTest::newRow("movie 2, then its thumbnail")
        << 2 << true << url << true << up << "http://b.invalid/u"
        << "" << true;
    QTest::newRow("movie 3, then its poster") << 3 << true << url << true << up << ""
                                              << "http://b.invalid/u" << true;
    QTest::newRow("movie 0, main") << 0 << false << url << true << "http://b.invalid/u"
                                   << ""
                                   << "" << true;
}

// The records' own reading of an answer, pass by pass.
void tst_UploadPasses::recordsTakeTheAnswersAddresses()
{
    QFETCH(int, option);
    QFETCH(bool, mainUp);
    QFETCH(QVariantMap, answer);
    QFETCH(bool, taken);
    QFETCH(QString, main);
    QFETCH(QString, thumb);
    QFETCH(QString, poster);
    QFETCH(bool, complete);

    std::shared_ptr<MediaAttachment> media;
    std::shared_ptr<MovieAttachment> movie;
    if (option < 0) {
        auto image = std::make_shared<ImageAttachment>();
        image->setThumbCreate(option == -1);
        media = image;
    } else {
        movie = std::make_shared<MovieAttachment>();
        movie->setMovieLinkOption(option);
        media = movie;
    }
    if (mainUp)
        media->setUploadPath(QStringLiteral("http://b.invalid/up"));
    QVERIFY(!media->uploadComplete());
    media->noteUploadStart();
    QCOMPARE(media->processUpload(answer), taken);
    QCOMPARE(media->uploadPath(), main);
    QCOMPARE(media->thumbPath(), thumb);
    if (movie)
        QCOMPARE(movie->posterPath(), poster);
    QCOMPARE(media->uploadComplete(), complete);
}

void tst_UploadPasses::movieWithAnotherLinkOptionSendsItsNewCompanion_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    QTest::newRow("poster movie, then thumbnail") << 1 << 2;
    QTest::newRow("thumbnail, then poster movie") << 2 << 1;
}

// The companion sent for one link option is no companion of another: the new
// one still has to go, else the post would link its local file.
void tst_UploadPasses::movieWithAnotherLinkOptionSendsItsNewCompanion()
{
    QFETCH(int, before);
    QFETCH(int, after);
    MovieAttachment movie;
    movie.setMovieLinkOption(before);
    movie.setUploadPath(QStringLiteral("http://b.invalid/movie.mov"));
    movie.noteUploadStart();
    QVERIFY(movie.processUpload({{QStringLiteral("url"), QStringLiteral("http://b.invalid/c")}}));
    QVERIFY(movie.uploadComplete());

    movie.setMovieLinkOption(after);
    QVERIFY(!movie.uploadComplete());
    movie.noteUploadStart();
    QVERIFY(movie.hasMain());
    QVERIFY(movie.processUpload({{QStringLiteral("url"), QStringLiteral("http://b.invalid/n")}}));
    QCOMPARE(movie.uploadPath(), QStringLiteral("http://b.invalid/movie.mov"));
    QCOMPARE(after == 2 ? movie.thumbPath() : movie.posterPath(),
             QStringLiteral("http://b.invalid/n"));
    QVERIFY(movie.uploadComplete());
}

PLUMET_SECRET_SERVICE_TEST_MAIN(tst_UploadPasses)
#include "tst_uploadpasses.moc"
