#include "AccountBusyToken.h"
#include "AccountList.h"
#include "AddonManager.h"
#include "AtomDriver.h"
#include "Attachment.h"
#include "ConsoleSink.h"
#include "PluginManager.h"
#include "TestSecretService.h"
#include "UploadTesting.h"
#include "UploaderManager.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <thread>

// Uploading attachments: to a blog through its XML-RPC media call, to an
// uploader plug-in, the Atom road (a media entry, or the file itself) and its
// refusals in words, names with destination folders, failures in words, and
// the network console never holding the file. The passes of media
// attachments: tst_uploadpasses.
using namespace plumet::test;
Q_DECLARE_METATYPE(TestHttpServer::Response)

namespace {

// An uploader plug-in that answers from another thread, as network
// libraries do, with what the test scripts.
class ScriptedUploader : public QObject, public PLUMETUploaderProtocol {
    Q_OBJECT
    Q_INTERFACES(PLUMETUploaderProtocol)
public:
    QVariantMap request;
    bool canSpecify = false;
    std::function<void(Callbacks)> answer;
    int cancels = 0;

    QString uploaderKey() const override { return QStringLiteral("Scripted"); }
    QString uploaderDescription() const override { return {}; }
    bool canSpecifyDestinationPath() const override { return canSpecify; }
    std::unique_ptr<PLUMETUploaderSettings> uploaderRequested(const QVariantMap&) override
    {
        return nullptr;
    }
    void uploadData(const QVariantMap& data, Callbacks callbacks) override
    {
        request = data;
        if (answer)
            std::thread([answer = answer, callbacks] { answer(callbacks); }).detach();
    }
    void cancel() override { ++cancels; }
};

// The shipped Atom driver writes no media entry (the file is posted as it
// is); a server whose driver does is answered as this one writes it.
class AtomMediaDriver : public AtomDriver {
    Q_OBJECT
public:
    QString pluginKey() const override { return QStringLiteral("Atom media"); }
    bool supportsUpload() const override { return true; }
    QString atomUploadRequest(const QUrl&, const QVariantMap& data,
                              const TextEncoder& encode) override
    {
        return QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                              "<entry xmlns=\"http://www.w3.org/2005/Atom\"><title>%1</title>"
                              "<summary>%2</summary><content type=\"%3\" mode=\"base64\">%4"
                              "</content></entry>")
            .arg(encode(data.value(QStringLiteral("title")).toString()),
                 encode(data.value(QStringLiteral("summary")).toString()),
                 data.value(QStringLiteral("type")).toString(),
                 data.value(QStringLiteral("base64")).toString());
    }
};

class ConsoleCopy : public ConsoleSink {
public:
    QString text;
    bool isConsoleVisible() const override { return true; }
    void clearConsole() override { text.clear(); }
    void addToConsole(const QString& more) override { text += more; }
};

// The road's own steps whatever the file holds: a plain attachment, as
// pictures and movies go up in passes of their own.
AttachmentPtr plainAttachment(const QString& path)
{
    auto attachment = std::make_shared<Attachment>();
    attachment->initWithPath(path);
    return attachment;
}

Response mediaAnswer(const QString& url)
{
    return xmlrpcAnswer(QVariantMap{{"url", url}, {"file", "x"}, {"type", "image/png"}});
}

} // namespace

class tst_UploadJob : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void uploadsToABlog();
    void uploadNames_data();
    void uploadNames();
    void uploaderPlugin();
    void uploaderFailures_data();
    void uploaderFailures();
    void noDestination();
    void atomRoad_data();
    void atomRoad();
    void atomUploadGoesUpAsAMediaEntry();
    void atomUploadPostsTheFileItself();
    void atomRefusalsInWords_data();
    void atomRefusalsInWords();
    void failuresInWords_data();
    void failuresInWords();
    void hostileServer_data();
    void hostileServer();
    void failureLeavesTheAccountToItsHolder();
    void secondRequestJoinsTheUpload();
    void publishingRoadUploadsThroughIt();

private:
    QString makeFile(const QString& name, int size);
    AttachmentPtr blogAttachment(const BlogSetup& setup, const QString& path);
    std::shared_ptr<UploadOutcome> upload(const AttachmentPtr& attachment, bool manual = false);

    plumet::test::TestKeyring m_keyring;
    QTemporaryDir m_files;
    UploadRig m_rig;
    EventRecorder m_events;
    ScriptedUploader m_uploader;
    AtomMediaDriver m_atomMedia;
    ConsoleCopy m_console;
};

void tst_UploadJob::initTestCase()
{
    QString error;
    QVERIFY2(m_keyring.start(&error), qPrintable(error));
    QVERIFY(m_files.isValid());
    loadDrivers();
    QVERIFY(AddonManager::sharedInstance().registerPlugin(&m_events, QStringLiteral("test")));
    QVERIFY(UploaderManager::sharedInstance().registerPlugin(&m_uploader, QStringLiteral("test")));
    QVERIFY(PluginManager::sharedInstance().registerPlugin(&m_atomMedia, QStringLiteral("test")));
    ConsoleSink::setSharedInstance(&m_console);
}

void tst_UploadJob::init()
{
    m_events.events.clear();
    m_console.text.clear();
    m_uploader.answer = {};
    m_uploader.canSpecify = false;
    QVERIFY(m_rig.start(this));
    m_rig.list->setRetryInterval(20);
}

void tst_UploadJob::cleanup()
{
    m_rig.stop();
}

QString tst_UploadJob::makeFile(const QString& name, int size)
{
    const QString path = m_files.filePath(name);
    QFile file(path);
    [&] { QVERIFY(file.open(QIODevice::WriteOnly)); }();
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + 3) % 256);
    file.write(bytes);
    return path;
}

AttachmentPtr tst_UploadJob::blogAttachment(const BlogSetup& setup, const QString& path)
{
    AttachmentPtr attachment = plainAttachment(path);
    sendToBlog(*m_rig.accounts, *attachment, setup);
    return attachment;
}

std::shared_ptr<UploadOutcome> tst_UploadJob::upload(const AttachmentPtr& attachment, bool manual)
{
    return uploadAndWait(*m_rig.road, attachment, manual);
}

void tst_UploadJob::uploadsToABlog()
{
    m_rig.server->enqueue(
        mediaAnswer(QStringLiteral("http://blog.invalid/wp-content/uploads/a.png")));
    const BlogSetup setup = makeBlog(QStringLiteral("Wordpress"), m_rig.server->url("/xmlrpc.php"));
    const QString path = makeFile(QStringLiteral("a.png"), 300000);
    const AttachmentPtr attachment = blogAttachment(setup, path);
    bool sawUploading = false;
    connect(m_rig.road, &UploadRoad::jobCreated, this, [&](Job* job) {
        connect(job, &Job::stateChanged, this, [&, attachment](Job::State state) {
            if (state == Job::State::Running)
                sawUploading = attachment->isUploading();
        });
    });

    const auto outcome = upload(attachment);
    QCOMPARE(outcome->done, 1);
    QCOMPARE(outcome->failed, 0);
    QVERIFY(sawUploading);
    QVERIFY(!attachment->isUploading());
    QCOMPARE(attachment->uploadPath(),
             QStringLiteral("http://blog.invalid/wp-content/uploads/a.png"));
    QCOMPARE(m_rig.server->requests().size(), 1);
    const QByteArray& body = m_rig.server->requests().at(0).body;
    QCOMPARE(methodOf(m_rig.server->requests().at(0)), QStringLiteral("metaWeblog.newMediaObject"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(xmlrpcBits(body), file.readAll());
    QCOMPARE(xmlrpcString(body, "name"), QStringLiteral("a.png"));
    QVERIFY(body.contains("<string>image/png</string>"));
    // The console shows the request without the file and without the password.
    QVERIFY(m_console.text.contains(QStringLiteral("metaWeblog.newMediaObject")));
    QVERIFY(m_console.text.contains(QStringLiteral("REMOVED")));
    QVERIFY(m_console.text.size() < 4000);
    QVERIFY(!m_console.text.contains(QStringLiteral("pässword")));
    QTRY_COMPARE(m_events.events.size(), 1);
    QCOMPARE(m_events.events.at(0).first, 4);
    QCOMPARE(m_events.events.at(0).second.toString(), QStringLiteral("a.png"));
    QTRY_COMPARE(m_rig.list->count(), 0);
    QVERIFY(!setup.account->isCritical());
}

void tst_UploadJob::uploadNames_data()
{
    QTest::addColumn<QString>("destination");
    QTest::addColumn<bool>("canSpecify");
    QTest::addColumn<QString>("blogName");
    QTest::addColumn<QString>("uploaderName");

    QTest::newRow("none") << QString() << true << "a b.png"
                          << "a b.png";
    QTest::newRow("root") << "/" << true << "a b.png"
                          << "a b.png";
    QTest::newRow("pics") << "pics" << true << "pics/a b.png"
                          << "pics/a b.png";
    QTest::newRow("/pics") << "/pics" << true << "pics/a b.png"
                           << "pics/a b.png";
    QTest::newRow("/pics/") << "/pics/" << true << "pics/a b.png"
                            << "pics/a b.png";
    QTest::newRow("uploader without folders") << "/pics/" << false << "pics/a b.png"
                                              << "a b.png";
}

void tst_UploadJob::uploadNames()
{
    QFETCH(QString, destination);
    QFETCH(bool, canSpecify);
    QFETCH(QString, blogName);
    QFETCH(QString, uploaderName);

    Attachment attachment;
    attachment.initWithPath(m_files.filePath(QStringLiteral("a b.png")));
    attachment.setDestination(destination);
    QCOMPARE(UploadJob::uploadName(attachment, true), blogName);
    QCOMPARE(UploadJob::uploadName(attachment, canSpecify), uploaderName);
}

void tst_UploadJob::uploaderPlugin()
{
    m_uploader.canSpecify = true;
    m_uploader.answer = [](PLUMETUploaderProtocol::Callbacks callbacks) {
        callbacks.status(QStringLiteral("Sending..."));
        callbacks.success(
            {{"url", "http://photos.invalid/1.jpg"}, {"source", "http://photos.invalid/page/1"}});
    };
    const QString path = makeFile(QStringLiteral("photo.jpg"), 5000);
    AttachmentPtr attachment = plainAttachment(path);
    attachment->setAccountID(QStringLiteral("Scripted"));
    attachment->setDestination(QStringLiteral("/holiday"));
    attachment->setAlt(QStringLiteral("Sea"));
    attachment->setUploaderSettings(QVariantMap{{"type", "image/x-test"}, {"tags", "sea"}});
    const auto outcome = upload(attachment);
    QCOMPARE(outcome->done, 1);
    QCOMPARE(attachment->uploadPath(), QStringLiteral("http://photos.invalid/1.jpg"));
    QCOMPARE(attachment->source(), QStringLiteral("http://photos.invalid/page/1"));
    QCOMPARE(m_uploader.request.value("name").toString(), QStringLiteral("holiday/photo.jpg"));
    QCOMPARE(m_uploader.request.value("type").toString(), QStringLiteral("image/x-test"));
    QCOMPARE(m_uploader.request.value("tags").toString(), QStringLiteral("sea"));
    QCOMPARE(m_uploader.request.value("summary").toString(), QStringLiteral("Sea"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(m_uploader.request.value("bits").toByteArray(), file.readAll());
    QTRY_COMPARE(m_events.events.size(), 1);
}

void tst_UploadJob::uploaderFailures_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("error without words")
        << 0 << "The selected uploader returned an error but did not specify what went wrong.";
    QTest::newRow("error") << 1 << "Quota exceeded.";
    QTest::newRow("no address") << 2 << "The uploader did not return a path to the uploaded file!";
}

void tst_UploadJob::uploaderFailures()
{
    QFETCH(int, kind);
    QFETCH(QString, message);
    m_uploader.answer = [kind](PLUMETUploaderProtocol::Callbacks callbacks) {
        if (kind == 0)
            callbacks.error(QString());
        else if (kind == 1)
            callbacks.error(QStringLiteral("Quota exceeded"));
        else
            callbacks.success({{"source", "x"}});
        // A late second answer is not heard.
        callbacks.success({{"url", "http://late.invalid/"}});
    };
    AttachmentPtr attachment = plainAttachment(makeFile("f.txt", 10));
    attachment->setAccountID(QStringLiteral("Scripted"));
    const auto outcome = upload(attachment);
    QCOMPARE(outcome->failed, 1);
    QCOMPARE(outcome->done, 0);
    QCOMPARE(outcome->message, message);
    QVERIFY(attachment->uploadPath().isEmpty());
    QVERIFY(!attachment->isUploading());
    QTRY_COMPARE(m_rig.list->count(), 0);
    QVERIFY(m_events.events.isEmpty());
}

void tst_UploadJob::noDestination()
{
    AttachmentPtr attachment = plainAttachment(makeFile("f.txt", 10));
    auto outcome = upload(attachment);
    QCOMPARE(outcome->message, QStringLiteral("There is no server to upload the attachment to."));
    attachment->setAccountID(QStringLiteral("No such uploader"));
    outcome = upload(attachment);
    QCOMPARE(outcome->message, QStringLiteral("There is no server to upload the attachment to."));
    attachment->setBlogID(QStringLiteral("1"));
    outcome = upload(attachment, true);
    QCOMPARE(outcome->message, QStringLiteral("There is no server to upload the attachment to."));
}

void tst_UploadJob::atomRoad_data()
{
    QTest::addColumn<QVariantMap>("services");
    QTest::addColumn<QString>("message");
    QTest::newRow("no services") << QVariantMap()
                                 << "For some obscure reason the request could not be made.";
    QTest::newRow("no upload address")
        << QVariantMap{{"service.feed", "http://x.invalid/feed"}}
        << "The Atom upload URI for the selected blog system is unknown!";
}

void tst_UploadJob::atomRoad()
{
    QFETCH(QVariantMap, services);
    QFETCH(QString, message);
    const BlogSetup setup = makeBlog(QStringLiteral("Atom 1.0"), m_rig.server->url("/atom"));
    setup.blog->setServices(services);
    const auto outcome = upload(blogAttachment(setup, makeFile("a.png", 100)));
    QCOMPARE(outcome->message, message);
    QVERIFY(m_rig.server->requests().isEmpty());
}

void tst_UploadJob::atomUploadGoesUpAsAMediaEntry()
{
    m_rig.server->enqueue(Response::ok("<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                                       "<entry xmlns=\"http://www.w3.org/2005/Atom\" "
                                       "xmlns:media=\"http://search.yahoo.com/mrss/\">"
                                       "<title>a b.png</title><media:content "
                                       "url=\"http://blog.invalid/media/a%20b.png\"/></entry>",
                                       "application/atom+xml"));
    const BlogSetup setup = makeBlog(QStringLiteral("Atom media"), m_rig.server->url("/atom"));
    setup.blog->setServices(
        QVariantMap{{"service.post", m_rig.server->url("/atom/post").toString()},
                    {"service.upload", m_rig.server->url("/atom/media").toString()}});
    const QString path = makeFile(QStringLiteral("a b.png"), 300000);
    const AttachmentPtr attachment = blogAttachment(setup, path);
    const auto outcome = upload(attachment);
    QCOMPARE(outcome->failed, 0);
    QCOMPARE(outcome->done, 1);
    QCOMPARE(attachment->uploadPath(), QStringLiteral("http://blog.invalid/media/a%20b.png"));

    // One POST to the upload address, signed with WSSE, the file in it byte for byte.
    QCOMPARE(m_rig.server->requests().size(), 1);
    const TestHttpServer::Request& request = m_rig.server->requests().first();
    QCOMPARE(request.method, QByteArray("POST"));
    QCOMPARE(request.target, QByteArray("/atom/media"));
    QVERIFY(request.header("Content-Type").startsWith("application/atom+xml"));
    QCOMPARE(request.header("Authorization"), QByteArray(R"(WSSE profile="UsernameToken")"));
    QVERIFY2(request.header("X-WSSE").startsWith(R"(UsernameToken Username="joe")"),
             request.header("X-WSSE").constData());
    static const QRegularExpression content(
        QStringLiteral("<content type=\"image/png\" mode=\"base64\">([^<]*)</content>"));
    const QRegularExpressionMatch bits = content.match(QString::fromLatin1(request.body));
    QVERIFY(bits.hasMatch());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QCOMPARE(QByteArray::fromBase64(bits.captured(1).toLatin1()), bytes);
    QVERIFY(request.body.contains("<title>a b.png</title>"));

    // The console shows the entry without the file and without the password.
    QVERIFY(m_console.text.contains(QStringLiteral("/atom/media")));
    QVERIFY(m_console.text.contains(QStringLiteral("mode=\"base64\">REMOVED</content>")));
    QVERIFY(!m_console.text.contains(QString::fromLatin1(bytes.left(3000).toBase64())));
    QVERIFY(m_console.text.size() < 4000);
    QVERIFY(!m_console.text.contains(QStringLiteral("pässword")));
    QTRY_COMPARE(m_events.events.size(), 1);
    QCOMPARE(m_events.events.at(0).first, 4);
    QTRY_COMPARE(m_rig.list->count(), 0);
}

void tst_UploadJob::atomUploadPostsTheFileItself()
{
    m_rig.server->enqueue(
        Response::ok("<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                     "<entry xmlns=\"http://www.w3.org/2005/Atom\">"
                     "<title>a b.png</title><content type=\"image/png\" "
                     "src=\"http://blog.invalid/media/1.bin\"/>"
                     "<link rel=\"edit-media\" "
                     "href=\"http://blog.invalid/media/1.bin\"/>"
                     "<media:content xmlns:media=\"http://search.yahoo.com/mrss/\" "
                     "url=\"http://blog.invalid/media/1.bin\"/></entry>",
                     "application/atom+xml;type=entry"));
    const BlogSetup setup = makeBlog(QStringLiteral("Atom 1.0"), m_rig.server->url("/atom"));
    setup.blog->setServices(
        QVariantMap{{"service.post", m_rig.server->url("/atom/post").toString()},
                    {"service.upload", m_rig.server->url("/atom/media").toString()}});
    const QString path = makeFile(QStringLiteral("a bü.png"), 300000);
    const AttachmentPtr attachment = blogAttachment(setup, path);
    const auto outcome = upload(attachment);
    QCOMPARE(outcome->message, QString());
    QCOMPARE(outcome->done, 1);
    QCOMPARE(attachment->uploadPath(), QStringLiteral("http://blog.invalid/media/1.bin"));

    // One POST to the upload address, signed with WSSE: the file as the body,
    // its type as the Content-Type, its name as the Slug.
    QCOMPARE(m_rig.server->requests().size(), 1);
    const TestHttpServer::Request& request = m_rig.server->requests().first();
    QCOMPARE(request.method, QByteArray("POST"));
    QCOMPARE(request.target, QByteArray("/atom/media"));
    QCOMPARE(request.header("Content-Type"), QByteArray("image/png"));
    QCOMPARE(request.header("Slug"), QByteArray("a%20b%C3%BC.png"));
    QCOMPARE(request.header("Authorization"), QByteArray(R"(WSSE profile="UsernameToken")"));
    QVERIFY(request.header("X-WSSE").startsWith(R"(UsernameToken Username="joe")"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(request.body == bytes);

    // The console names the request, not the file's bytes.
    QVERIFY(m_console.text.contains(QStringLiteral("/atom/media")));
    QVERIFY(m_console.text.contains(QStringLiteral("REMOVED (300000 bytes of image/png)")));
    QVERIFY(m_console.text.size() < 4000);
    QTRY_COMPARE(m_events.events.size(), 1);
    QTRY_COMPARE(m_rig.list->count(), 0);
}

void tst_UploadJob::atomRefusalsInWords_data()
{
    QTest::addColumn<Response>("answer");
    QTest::addColumn<QString>("message");
    Response challenge = Response::withStatus(401, "<error>Log in first</error>");
    challenge.headers.append({QByteArray("WWW-Authenticate"),
                              QByteArray(R"(WSSE realm="Blog", profile="UsernameToken")")});
    QTest::newRow("login refused")
        << challenge
        << "Incorrect username or password for \"http://127.0.0.1:PORT/atom/media\". "
           "Please try again with the correct authentication.";
    QTest::newRow("forbidden")
        << Response::withStatus(403, "<error>Invalid login</error>")
        << "The server does not allow access to the provided web address. The server said: "
           "\u201cInvalid login\u201d.";
    QTest::newRow("too large")
        << Response::withStatus(413, "<error>Files up to 1 MB</error>")
        << "The upload destination refused \"a b.png\" as too large (HTTP status 413). The "
           "server said: \u201cFiles up to 1 MB\u201d.";
    QTest::newRow("type refused")
        << Response::withStatus(415, "<error>Pictures in JPEG only</error>")
        << "The selected upload destination does not allow uploads of type image/png. The "
           "server said: \u201cPictures in JPEG only\u201d.";
    QTest::newRow("type refused without words")
        << Response::withStatus(415)
        << "The selected upload destination does not allow uploads of type image/png.";
    QTest::newRow("another refusal")
        << Response::withStatus(409, "<error>Name taken</error>")
        << "The server refused the upload of \"a b.png\" (HTTP status 409). The server said: "
           "\u201cName taken\u201d.";
    QTest::newRow("stored, nothing said")
        << Response::withStatus(201) << "The server did not return data.";
    QTest::newRow("stored, no address")
        << Response::withStatus(
               201, "<?xml version=\"1.0\"?><entry xmlns=\"http://www.w3.org/2005/Atom\">"
                    "<title>a b.png</title></entry>")
        << "The server did not return a path to the uploaded file!";
}

// Each refusal says what happened; only a refused type names the type.
void tst_UploadJob::atomRefusalsInWords()
{
    QFETCH(Response, answer);
    QFETCH(QString, message);
    m_rig.server->enqueue(answer);
    const BlogSetup setup = makeBlog(QStringLiteral("Atom 1.0"), m_rig.server->url("/atom"));
    setup.blog->setServices(
        QVariantMap{{"service.upload", m_rig.server->url("/atom/media").toString()}});
    const AttachmentPtr attachment = blogAttachment(setup, makeFile("a b.png", 100));
    const auto outcome = upload(attachment);
    QCOMPARE(outcome->failed, 1);
    QCOMPARE(outcome->message, message.replace("PORT", QString::number(m_rig.server->port())));
    QCOMPARE(m_rig.server->requests().size(), 1);
    QVERIFY(attachment->uploadPath().isEmpty());
    QTRY_COMPARE(m_rig.list->count(), 0);
}

void tst_UploadJob::failuresInWords_data()
{
    QTest::addColumn<Response>("answer");
    QTest::addColumn<QString>("message");
    QTest::newRow("fault, trimmed and a sentence")
        << Response::xmlrpcFault(500, QStringLiteral("  Could not write file a.png  \n"))
        << "Could not write file a.png.";
    QTest::newRow("fault without words")
        << Response::xmlrpcFault(500, QString()) << "Unknown error.";
    QTest::newRow("fault ending in !")
        << Response::xmlrpcFault(500, QStringLiteral("No way!")) << "No way!";
    QTest::newRow("no address") << xmlrpcAnswer(QVariantMap{{"file", "a.png"}})
                                << "The server did not return a path to the uploaded file!";
    QTest::newRow("not a struct") << xmlrpcAnswer(QStringLiteral("ok"))
                                  << "The response from the server did not contain valid data.";
    QTest::newRow("empty") << Response::empty() << "The server did not return data.";
    // Nothing is left once the byte-order mark is read.
    QTest::newRow("only a byte-order mark")
        << Response::ok("\xEF\xBB\xBF", "text/xml") << "The server did not return data.";
}

void tst_UploadJob::failuresInWords()
{
    QFETCH(Response, answer);
    QFETCH(QString, message);
    m_rig.server->enqueue(answer);
    const BlogSetup setup = makeBlog(QStringLiteral("Wordpress"), m_rig.server->url("/xmlrpc.php"));
    const AttachmentPtr attachment = blogAttachment(setup, makeFile("a.png", 100));
    const auto outcome = upload(attachment);
    QCOMPARE(outcome->failed, 1);
    QCOMPARE(outcome->message, message);
    QVERIFY(attachment->uploadPath().isEmpty());
    // The caller shows the failure: no error row stays behind.
    QTRY_COMPARE(m_rig.list->count(), 0);
}

void tst_UploadJob::hostileServer_data()
{
    QTest::addColumn<Response>("answer");
    for (const auto kind : Response::allMisbehaviours()) {
        if (kind == Response::Misbehaviour::Trickle)
            continue;
        QTest::addRow("%s", Response::name(kind)) << Response::misbehaving(kind);
    }
}

void tst_UploadJob::hostileServer()
{
    QFETCH(Response, answer);
    m_rig.road->setResponseTimeout(std::chrono::milliseconds(500));
    m_rig.server->enqueue(answer);
    const BlogSetup setup = makeBlog(QStringLiteral("Wordpress"), m_rig.server->url("/xmlrpc.php"));
    const AttachmentPtr attachment = blogAttachment(setup, makeFile("a.png", 100));
    const auto outcome = upload(attachment);
    QCOMPARE(outcome->failed + outcome->done, 1);
    QCOMPARE(outcome->failed, 1);
    QVERIFY(!outcome->message.isEmpty());
    QVERIFY(attachment->uploadPath().isEmpty());
    QVERIFY(!attachment->isUploading());
    QVERIFY(!setup.account->isCritical());
    QTRY_COMPARE(m_rig.list->count(), 0);
}

void tst_UploadJob::failureLeavesTheAccountToItsHolder()
{
    // Another road holds the account while an upload to its blog fails.
    m_rig.server->enqueue(Response::xmlrpcFault(500, QStringLiteral("Disk full")));
    const BlogSetup setup = makeBlog(QStringLiteral("Wordpress"), m_rig.server->url("/xmlrpc.php"));
    AccountBusyToken holder = AccountBusyToken::take(setup.account.get());
    QVERIFY(holder);
    auto outcome = upload(blogAttachment(setup, makeFile("a.png", 100)));
    QCOMPARE(outcome->message, QStringLiteral("Disk full."));
    QVERIFY(setup.account->isCritical());
    AttachmentPtr nowhere = plainAttachment(makeFile("b.png", 10));
    nowhere->setAccountID(setup.account->accountID());
    nowhere->setBlogID(QStringLiteral("no such blog"));
    outcome = upload(nowhere);
    QCOMPARE(outcome->message, QStringLiteral("There is no server to upload the attachment to."));
    QVERIFY(setup.account->isCritical());
    holder.release();
    QVERIFY(!setup.account->isCritical());
}

void tst_UploadJob::secondRequestJoinsTheUpload()
{
    m_uploader.answer = [](PLUMETUploaderProtocol::Callbacks callbacks) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        callbacks.success({{"url", "http://photos.invalid/1.jpg"}});
    };
    AttachmentPtr attachment = plainAttachment(makeFile("p.jpg", 10));
    attachment->setAccountID(QStringLiteral("Scripted"));
    int first = 0;
    m_rig.road->upload(attachment, [&] { ++first; }, {});
    const auto second = upload(attachment);
    QCOMPARE(second->done, 1);
    QCOMPARE(first, 1);
    QTRY_COMPARE(m_events.events.size(), 1);
}

void tst_UploadJob::publishingRoadUploadsThroughIt()
{
    m_rig.server->enqueue(mediaAnswer(QStringLiteral("http://blog.invalid/a.png")));
    const BlogSetup setup = makeBlog(QStringLiteral("Wordpress"), m_rig.server->url("/xmlrpc.php"));
    const AttachmentPtr attachment = blogAttachment(setup, makeFile("a.png", 100));
    auto entry = Entry::create();
    setup.blog->addEntry(entry);
    AttachmentUploads::setSharedInstance(m_rig.road);
    bool done = false;
    static_cast<AttachmentUploads*>(m_rig.road)
        ->upload(attachment, entry, [&] { done = true; }, {});
    QTRY_VERIFY(done);
    QCOMPARE(m_rig.server->requests().size(), 1);
    QCOMPARE(attachment->uploadPath(), QStringLiteral("http://blog.invalid/a.png"));
    // Once up it is not sent again: the publish needs nothing more of it.
    done = false;
    static_cast<AttachmentUploads*>(m_rig.road)
        ->upload(attachment, entry, [&] { done = true; }, {});
    QTRY_VERIFY(done);
    AttachmentUploads::setSharedInstance(nullptr);
    QCOMPARE(m_rig.server->requests().size(), 1);
    QCOMPARE(attachment->uploadPath(), QStringLiteral("http://blog.invalid/a.png"));
}

PLUMET_SECRET_SERVICE_TEST_MAIN(tst_UploadJob)
#include "tst_uploadjob.moc"
