#include "AccountList.h"
#include "Attachment.h"
#include "ImageAttachment.h"
#include "MovieAttachment.h"
#include "PassAttachment.h"
#include "TestSecretService.h"
#include "UploadQueue.h"
#include "UploadTesting.h"
#include "UploaderManager.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

// The attachments window's queue: uploads in order, the first failure stops
// it with a message (the fixed text when there is none), Cancel ends the
// transfer at once, and an attachment keeps its old addresses unless its new
// upload ends well. An uploader that never answers with a thumbnail address
// gets one extra pass per attachment, no more.
using namespace plumet::test;

namespace {

// An uploader plug-in that answers every request with `answer`, at once.
class AnsweringUploader : public QObject, public PLUMETUploaderProtocol {
    Q_OBJECT
    Q_INTERFACES(PLUMETUploaderProtocol)
public:
    QVariantMap answer;
    int calls = 0;

    QString uploaderKey() const override { return QStringLiteral("Answering"); }
    QString uploaderDescription() const override { return {}; }
    bool canSpecifyDestinationPath() const override { return false; }
    std::unique_ptr<PLUMETUploaderSettings> uploaderRequested(const QVariantMap&) override
    {
        return nullptr;
    }
    void uploadData(const QVariantMap&, Callbacks callbacks) override
    {
        ++calls;
        callbacks.success(answer);
    }
    void cancel() override {}
};

// A media attachment whose record takes only the main address from an
// answer: without "thumburl" it never has its thumbnail's address.
class NoThumbAttachment : public PassAttachment {
public:
    bool processUpload(const QVariantMap& answer) override
    {
        const QString url = answer.value(QStringLiteral("url")).toString();
        if (url.isEmpty())
            return false;
        setUploadPath(url);
        return true;
    }
};

// A server that reads request bytes slowly (its buffer kept small) until told
// to drain, then reads all and notes when the client closes the connection.
class SlowReader : public QObject {
    Q_OBJECT
public:
    QTcpServer server;
    QPointer<QTcpSocket> socket;
    qint64 received = 0;
    bool closed = false;

    bool listen()
    {
        connect(&server, &QTcpServer::newConnection, this, [this] {
            socket = server.nextPendingConnection();
            socket->setReadBufferSize(16 * 1024);
            connect(socket, &QTcpSocket::disconnected, this, [this] { closed = true; });
            auto* pace = new QTimer(socket);
            connect(pace, &QTimer::timeout, socket,
                    [this] { received += socket->read(8 * 1024).size(); });
            pace->start(50);
        });
        return server.listen(QHostAddress::LocalHost);
    }

    void drain()
    {
        if (!socket)
            return;
        socket->setReadBufferSize(0);
        connect(socket, &QTcpSocket::readyRead, this,
                [this] { received += socket->readAll().size(); });
        received += socket->readAll().size();
    }

    QUrl url() const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/xmlrpc.php").arg(server.serverPort()));
    }
};

Response mediaAnswer(const QString& url)
{
    return xmlrpcAnswer(QVariantMap{{"url", url}, {"file", "x"}});
}

} // namespace

class tst_UploadQueue : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void uploadsInOrder();
    void failureStopsTheQueue();
    void failureWithoutMessage_data();
    void failureWithoutMessage();
    void failureKeepsMediaAddresses();
    void cancelEndsTheTransfer();
    void uploaderWithoutThumbnailAddress();

private:
    AttachmentPtr makeAttachment(const QString& name, const QString& oldAddress);

    plumet::test::TestKeyring m_keyring;
    QTemporaryDir m_files;
    UploadRig m_rig;
    AnsweringUploader m_uploader;
};

void tst_UploadQueue::initTestCase()
{
    QString error;
    QVERIFY2(m_keyring.start(&error), qPrintable(error));
    QVERIFY(m_files.isValid());
    loadDrivers();
    QVERIFY(UploaderManager::sharedInstance().registerPlugin(&m_uploader, QStringLiteral("test")));
}

void tst_UploadQueue::init()
{
    m_uploader.calls = 0;
    QVERIFY(m_rig.start(this));
}

void tst_UploadQueue::cleanup()
{
    m_rig.stop();
}

AttachmentPtr tst_UploadQueue::makeAttachment(const QString& name, const QString& oldAddress)
{
    const QString path = m_files.filePath(name);
    QFile file(path);
    [&] {
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write("bytes of " + name.toUtf8()) > 0);
    }();
    auto attachment = std::make_shared<Attachment>();
    attachment->initWithPath(path);
    attachment->setUploadPath(oldAddress);
    return attachment;
}

void tst_UploadQueue::uploadsInOrder()
{
    const BlogSetup setup = makeBlog(QStringLiteral("Wordpress"), m_rig.server->url("/xmlrpc.php"));
    QList<AttachmentPtr> attachments;
    for (const QString& name :
         {QStringLiteral("one.txt"), QStringLiteral("two.txt"), QStringLiteral("three.txt")}) {
        attachments << makeAttachment(name, QStringLiteral("http://blog.invalid/old-") + name);
        sendToBlog(*m_rig.accounts, *attachments.last(), setup);
        m_rig.server->enqueue(mediaAnswer(QStringLiteral("http://blog.invalid/new-") + name));
    }
    UploadQueue queue(*m_rig.road);
    QSignalSpy ended(&queue, &UploadQueue::ended);
    QSignalSpy started(&queue, &UploadQueue::uploadStarted);
    queue.start(attachments);
    QCOMPARE(queue.state(), UploadQueue::State::Uploading);
    QCOMPARE(queue.current(), attachments.first());
    QVERIFY(queue.currentJob());
    QVERIFY(ended.wait(20000));
    QCOMPARE(ended.size(), 1);
    QCOMPARE(queue.state(), UploadQueue::State::Idle);
    QVERIFY(queue.errorMessage().isEmpty());
    QCOMPARE(started.size(), 3);
    QCOMPARE(m_rig.server->requests().size(), 3);
    const QStringList names{"one.txt", "two.txt", "three.txt"};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(xmlrpcString(m_rig.server->requests().at(i).body, "name"), names.at(i));
        QCOMPARE(attachments.at(i)->uploadPath(), "http://blog.invalid/new-" + names.at(i));
    }
}

void tst_UploadQueue::failureStopsTheQueue()
{
    const BlogSetup setup = makeBlog(QStringLiteral("Wordpress"), m_rig.server->url("/xmlrpc.php"));
    m_rig.server->enqueue(mediaAnswer(QStringLiteral("http://blog.invalid/new-1")));
    m_rig.server->enqueue(Response::withStatus(500));
    m_rig.server->enqueue(mediaAnswer(QStringLiteral("http://blog.invalid/new-3")));
    QList<AttachmentPtr> attachments{makeAttachment("1.txt", "http://blog.invalid/old-1"),
                                     makeAttachment("2.txt", "http://blog.invalid/old-2"),
                                     makeAttachment("3.txt", "http://blog.invalid/old-3")};
    for (const AttachmentPtr& attachment : attachments)
        sendToBlog(*m_rig.accounts, *attachment, setup);

    UploadQueue queue(*m_rig.road);
    QSignalSpy ended(&queue, &UploadQueue::ended);
    queue.start(attachments);
    QTRY_COMPARE_WITH_TIMEOUT(queue.state(), UploadQueue::State::Failed, 20000);
    QVERIFY(!queue.errorMessage().isEmpty());
    QVERIFY(queue.errorMessage() != UploadQueue::unknownErrorText());
    QVERIFY(queue.pending().isEmpty());
    QVERIFY(!queue.current());
    QCOMPARE(ended.size(), 0);
    QTest::qWait(100);
    QCOMPARE(m_rig.server->requests().size(), 2);
    QCOMPARE(attachments.at(0)->uploadPath(), QStringLiteral("http://blog.invalid/new-1"));
    // The failed one is as it was; the third was never touched.
    QCOMPARE(attachments.at(1)->uploadPath(), QStringLiteral("http://blog.invalid/old-2"));
    QCOMPARE(attachments.at(2)->uploadPath(), QStringLiteral("http://blog.invalid/old-3"));

    queue.dismiss();
    QCOMPARE(queue.state(), UploadQueue::State::Idle);
    QCOMPARE(ended.size(), 1);
}

void tst_UploadQueue::failureWithoutMessage_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("nil") << QString() << UploadQueue::unknownErrorText();
    QTest::newRow("blank") << QStringLiteral(" \n") << UploadQueue::unknownErrorText();
    QTest::newRow("a sentence") << QStringLiteral("No room.") << QStringLiteral("No room.");
}

void tst_UploadQueue::failureWithoutMessage()
{
    QFETCH(QString, message);
    QFETCH(QString, shown);
    UploadQueue queue(*m_rig.road);
    int sent = 0;
    queue.setSender([&](const AttachmentPtr&, UploadRoad::Done, UploadRoad::Failed failed) {
        ++sent;
        QTimer::singleShot(0, &queue, [failed, message] { failed(message); });
    });
    QSignalSpy changed(&queue, &UploadQueue::errorMessageChanged);
    queue.start({makeAttachment("a.txt", {}), makeAttachment("b.txt", {})});
    QTRY_COMPARE(queue.state(), UploadQueue::State::Failed);
    QCOMPARE(queue.errorMessage(), shown);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(sent, 1);
}

void tst_UploadQueue::failureKeepsMediaAddresses()
{
    auto image = std::make_shared<ImageAttachment>();
    image->setUploadPath(QStringLiteral("http://b.invalid/i.jpg"));
    image->setThumbPath(QStringLiteral("http://b.invalid/i-tm.jpg"));
    auto movie = std::make_shared<MovieAttachment>();
    movie->setUploadPath(QStringLiteral("http://b.invalid/m.mov"));
    movie->setThumbPath(QStringLiteral("http://b.invalid/m.jpg"));
    movie->setPosterPath(QStringLiteral("http://b.invalid/p.mov"));

    for (const AttachmentPtr& attachment : QList<AttachmentPtr>{image, movie}) {
        UploadQueue queue(*m_rig.road);
        queue.setSender(
            [&](const AttachmentPtr& sent, UploadRoad::Done, UploadRoad::Failed failed) {
                // The upload starts from nothing, then half of it goes up and it fails.
                QVERIFY(sent->uploadPath().isEmpty());
                sent->setUploadPath(QStringLiteral("http://b.invalid/half"));
                QTimer::singleShot(0, &queue, [failed] { failed(QStringLiteral("Gone.")); });
            });
        queue.start({attachment});
        QTRY_COMPARE(queue.state(), UploadQueue::State::Failed);
    }
    QCOMPARE(image->uploadPath(), QStringLiteral("http://b.invalid/i.jpg"));
    QCOMPARE(image->thumbPath(), QStringLiteral("http://b.invalid/i-tm.jpg"));
    QCOMPARE(movie->uploadPath(), QStringLiteral("http://b.invalid/m.mov"));
    QCOMPARE(movie->thumbPath(), QStringLiteral("http://b.invalid/m.jpg"));
    QCOMPARE(movie->posterPath(), QStringLiteral("http://b.invalid/p.mov"));
}

void tst_UploadQueue::cancelEndsTheTransfer()
{
    SlowReader slow;
    QVERIFY(slow.listen());
    const BlogSetup setup = makeBlog(QStringLiteral("Wordpress"), slow.url());
    // A large file that costs nothing to make: its upload takes far longer than a second.
    const QString path = m_files.filePath(QStringLiteral("big.mov"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(512LL * 1024 * 1024));
    }
    auto big = std::make_shared<Attachment>();
    big->initWithPath(path);
    big->setUploadPath(QStringLiteral("http://blog.invalid/old-big.mov"));
    sendToBlog(*m_rig.accounts, *big, setup);
    const AttachmentPtr second = makeAttachment("second.txt", {});
    sendToBlog(*m_rig.accounts, *second, setup);

    UploadQueue queue(*m_rig.road);
    QSignalSpy ended(&queue, &UploadQueue::ended);
    queue.start({big, second});
    QTRY_VERIFY_WITH_TIMEOUT(slow.received > 32 * 1024, 10000);
    QVERIFY(big->uploadPath().isEmpty());
    QPointer<UploadJob> job = queue.currentJob();
    QVERIFY(job);

    QElapsedTimer clock;
    clock.start();
    queue.cancel();
    slow.drain();
    QCOMPARE(queue.state(), UploadQueue::State::Idle);
    QCOMPARE(ended.size(), 1);
    QCOMPARE(big->uploadPath(), QStringLiteral("http://blog.invalid/old-big.mov"));
    QTRY_VERIFY_WITH_TIMEOUT(slow.closed, 1000);
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!m_rig.road->uploadOf(big.get()));
    // The stopped upload's late word changes nothing, and the second never went.
    QTest::qWait(200);
    QCOMPARE(queue.state(), UploadQueue::State::Idle);
    QVERIFY(queue.errorMessage().isEmpty());
    QCOMPARE(big->uploadPath(), QStringLiteral("http://blog.invalid/old-big.mov"));
    QVERIFY(!m_rig.road->uploadOf(second.get()));
    QCOMPARE(slow.server.hasPendingConnections(), false);
    QVERIFY(slow.received < 512LL * 1024 * 1024);
}

void tst_UploadQueue::uploaderWithoutThumbnailAddress()
{
    m_uploader.answer = {{"url", "http://photos.invalid/new.jpg"}};
    QList<AttachmentPtr> attachments;
    for (const QString& name : {QStringLiteral("p1.jpeg"), QStringLiteral("p2.jpeg")}) {
        auto attachment = std::make_shared<NoThumbAttachment>();
        QFile file(m_files.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write("\xff\xd8\xff\xe0 jpeg") > 0);
        file.close();
        attachment->initWithPath(file.fileName());
        QFile companion(m_files.filePath(name + ".t"));
        QVERIFY(companion.open(QIODevice::WriteOnly));
        QVERIFY(companion.write("\xff\xd8\xff\xe0 thumb") > 0);
        attachment->companionFile = companion.fileName();
        attachment->setAccountID(QStringLiteral("Answering"));
        attachments << attachment;
    }
    UploadQueue queue(*m_rig.road);
    QSignalSpy ended(&queue, &UploadQueue::ended);
    queue.start(attachments);
    QVERIFY(ended.wait(20000));
    QCOMPARE(queue.state(), UploadQueue::State::Idle);
    QVERIFY(queue.errorMessage().isEmpty());
    // Each attachment: its upload and one extra pass.
    QCOMPARE(m_uploader.calls, 4);
    QTest::qWait(100);
    QCOMPARE(m_uploader.calls, 4);
    for (const AttachmentPtr& attachment : attachments) {
        QCOMPARE(attachment->uploadPath(), QStringLiteral("http://photos.invalid/new.jpg"));
        QVERIFY(!attachment->uploadComplete());
    }
}

PLUMET_SECRET_SERVICE_TEST_MAIN(tst_UploadQueue)
#include "tst_uploadqueue.moc"
