#include "AccountList.h"
#include "ActivityList.h"
#include "AttachmentLibrary.h"
#include "ImageAttachment.h"
#include "MediaCache.h"
#include "PassAttachment.h"
#include "PublishTesting.h"
#include "ServerRoads.h"
#include "TestSecretService.h"
#include "UploadJob.h"
#include "UploadRoad.h"
#include "WordPressServer.h"

#include <QBuffer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// A post holding a picture published to WordPress: the picture's JPEG and its
// thumbnail go up in two passes under their own names and come back as
// image/jpeg; when the thumbnail's pass fails, the next publish sends the
// thumbnail alone and keeps the picture's address.
using namespace plumet::test;

namespace {

constexpr int JobLimitMs = 120000;

class Library : public AttachmentLibrary {
public:
    QHash<QString, AttachmentPtr> attachments;
    bool isLoaded() const override { return true; }
    AttachmentPtr attachmentForKey(const QString& key) override { return attachments.value(key); }
};

QByteArray picture(int width, int height, const char* format)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x % 256, y % 256, (x + y) % 256));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

struct Fetched {
    int status = 0;
    QByteArray type;
    QByteArray body;
};

// The file at `address` as any browser fetches it.
Fetched fetch(const QString& address)
{
    QNetworkAccessManager manager;
    QNetworkReply* reply = manager.get(QNetworkRequest(QUrl(address)));
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    loop.exec();
    Fetched fetched{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                    reply->rawHeader("Content-Type"), reply->readAll()};
    delete reply;
    return fetched;
}

} // namespace

class tst_MediaUploadPeer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void pngGoesUpAsJpegWithItsThumbnail();
    void pictureAndThumbnailComeBackAsJpeg();
    void failedThumbnailPassSendsOnlyTheThumbnailNext();

private:
    std::shared_ptr<PassAttachment> makePicture(const QString& name);
    EntryPtr entryWith(const AttachmentPtr& attachment, const QString& title);
    void publishAndWait(const EntryPtr& entry);
    QString php(const QString& code);
    int mediaOnServer()
    {
        return php(QStringLiteral("echo count(get_posts(['post_type' => "
                                  "'attachment', 'numberposts' => -1, "
                                  "'post_status' => 'any']));"))
            .toInt();
    }

    plumet::test::TestKeyring m_keyring;
    QTemporaryDir m_files;
    WordPressServer* m_wordpress = nullptr;
    ActivityList* m_list = nullptr;
    PublishRoad* m_road = nullptr;
    UploadRoad* m_uploads = nullptr;
    AccountList* m_accounts = nullptr;
    Library m_library;
    BlogSetup m_setup;
    int m_passes = 0;
};

void tst_MediaUploadPeer::initTestCase()
{
    QString error;
    QVERIFY2(m_keyring.start(&error), qPrintable(error));
    QVERIFY(m_files.isValid());
    loadDrivers();
    m_wordpress = new WordPressServer(this);
    QVERIFY2(m_wordpress->start(), qPrintable(m_wordpress->problem()));
    m_setup = makeBlog(QStringLiteral("Wordpress"), m_wordpress->xmlrpcUrl(),
                       m_wordpress->username(), m_wordpress->password(), QStringLiteral("1"));
    m_accounts = new AccountList(this);
    m_accounts->insertAccount(m_setup.account, -1);
    m_list = new ActivityList(this);
    m_road = new PublishRoad(*m_list, this);
    ServerRoads::setSharedInstance(m_road);
    m_uploads = new UploadRoad(*m_list, this);
    m_uploads->setAccountList(m_accounts);
    connect(m_uploads, &UploadRoad::jobCreated, this, [this](Job* job) {
        connect(job, &Job::finished, this,
                [this, job] { m_passes += qobject_cast<UploadJob*>(job)->passes(); });
    });
    AttachmentUploads::setSharedInstance(m_uploads);
    AttachmentLibrary::setSharedInstance(&m_library);
}

void tst_MediaUploadPeer::cleanupTestCase()
{
    AttachmentLibrary::setSharedInstance(nullptr);
    AttachmentUploads::setSharedInstance(nullptr);
    ServerRoads::setSharedInstance(nullptr);
}

QString tst_MediaUploadPeer::php(const QString& code)
{
    QString output;
    if (!m_wordpress->runInWordPress(code, &output))
        qWarning("%s", qPrintable(m_wordpress->problem()));
    return output.trimmed();
}

// A PNG with its JPEG copy and JPEG thumbnail, as the media cache names them.
std::shared_ptr<PassAttachment> tst_MediaUploadPeer::makePicture(const QString& name)
{
    auto write = [this](const QString& file, const QByteArray& bytes) {
        const QString path = m_files.filePath(file);
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    };
    auto attachment = std::make_shared<PassAttachment>();
    attachment->initWithPath(write(name + QStringLiteral(".png"), picture(480, 360, "PNG")));
    attachment->convertedFile =
        write(attachment->uniqueID() + QStringLiteral(".jpeg"), picture(480, 360, "JPEG"));
    attachment->sendConverted = true;
    attachment->companionFile =
        write(attachment->uniqueID() + QStringLiteral("t.jpeg"), picture(133, 100, "JPEG"));
    attachment->thumbSuffix = QStringLiteral("-tm");
    attachment->setAccountID(m_setup.account->accountID());
    attachment->setBlogID(m_setup.blog->uniqueID());
    m_library.attachments.insert(attachment->uniqueID(), attachment);
    return attachment;
}

EntryPtr tst_MediaUploadPeer::entryWith(const AttachmentPtr& attachment, const QString& title)
{
    auto entry = Entry::create();
    entry->setTitle(title);
    entry->setBody(QStringLiteral("<p>Look: %1</p>").arg(attachment->uniqueID()));
    entry->addKeyToAttachments(attachment->uniqueID());
    m_setup.blog->addEntry(entry);
    return entry;
}

void tst_MediaUploadPeer::publishAndWait(const EntryPtr& entry)
{
    QVERIFY(entry->publish());
    QVERIFY(QTest::qWaitFor([&] { return !entry->beingPublished(); }, JobLimitMs));
    QTest::qWait(20);
}

// The picture record itself: a PNG whose JPEG copy and thumbnail go up, both
// typed as JPEG, the post linking the thumbnail to the picture. The cache
// holds both copies already (written here), so this is about the passes, not
// the processor.
void tst_MediaUploadPeer::pngGoesUpAsJpegWithItsThumbnail()
{
    const QString path = m_files.filePath(QStringLiteral("Drawing.png"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(picture(800, 600, "PNG"));
    }
    const auto image =
        std::dynamic_pointer_cast<ImageAttachment>(Attachment::attachmentWithPath(path));
    QVERIFY(image);
    image->setConversionFormat(ImageAttachment::Jpeg);
    image->setThumbCreate(true);
    image->setUseScaling(true);
    const QString cache = MediaCache::folder();
    QVERIFY(!cache.isEmpty());
    const QList<QPair<QString, QByteArray>> copies{
        {cache + u'/' + image->uniqueID() + QStringLiteral(".jpeg"), picture(480, 360, "JPEG")},
        {cache + u'/' + image->uniqueID() + QStringLiteral("t.jpeg"), picture(133, 100, "JPEG")}};
    for (const auto& [copy, bytes] : copies) {
        QFile file(copy);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
    }
    image->setCachedPath(copies.at(0).first);
    image->setThumbCachedPath(copies.at(1).first);
    image->setAccountID(m_setup.account->accountID());
    image->setBlogID(m_setup.blog->uniqueID());
    m_library.attachments.insert(image->uniqueID(), image);
    const EntryPtr entry = entryWith(image, QStringLiteral("With a drawing"));
    m_passes = 0;
    publishAndWait(entry);
    QVERIFY2(!entry->hasFlag(Entry::LocalOnly), qPrintable(errorRowMessage(*m_list)));
    QCOMPARE(m_passes, 2);
    QVERIFY(image->uploadComplete());
    QVERIFY2(image->uploadPath().endsWith(QLatin1String("/Drawing.jpg")),
             qPrintable(image->uploadPath()));
    QVERIFY2(image->thumbPath().endsWith(QLatin1String("/Drawing-tm.jpg")),
             qPrintable(image->thumbPath()));
    const QStringList addresses{image->uploadPath(), image->thumbPath()};
    for (int i = 0; i < 2; ++i) {
        const Fetched fetched = fetch(addresses.at(i));
        QCOMPARE(fetched.status, 200);
        QVERIFY2(fetched.type.startsWith("image/jpeg"), fetched.type.constData());
        QVERIFY(fetched.body == copies.at(i).second);
    }
    const QString content =
        php(QStringLiteral("echo get_post(%1)->post_content;").arg(entry->uniqueID()));
    QVERIFY2(content.contains(QUrl(image->uploadPath()).path()), qPrintable(content));
    QVERIFY2(content.contains(QUrl(image->thumbPath()).path()), qPrintable(content));
}

void tst_MediaUploadPeer::pictureAndThumbnailComeBackAsJpeg()
{
    const auto attachment = makePicture(QStringLiteral("Photo"));
    const EntryPtr entry = entryWith(attachment, QStringLiteral("With a photo"));
    m_passes = 0;
    publishAndWait(entry);
    QVERIFY2(!entry->hasFlag(Entry::LocalOnly), qPrintable(errorRowMessage(*m_list)));
    QCOMPARE(m_passes, 2);
    QVERIFY2(attachment->uploadPath().endsWith(QLatin1String("/Photo.jpg")),
             qPrintable(attachment->uploadPath()));
    QVERIFY2(attachment->companionAddress.endsWith(QLatin1String("/Photo-tm.jpg")),
             qPrintable(attachment->companionAddress));

    const QList<QPair<QString, QString>> files{
        {attachment->uploadPath(), attachment->convertedFile},
        {attachment->companionAddress, attachment->companionFile}};
    for (const auto& [address, path] : files) {
        const Fetched fetched = fetch(address);
        QCOMPARE(fetched.status, 200);
        QVERIFY2(fetched.type.startsWith("image/jpeg"), fetched.type.constData());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(fetched.body == file.readAll());
    }
    // WordPress typed both as what they are.
    const QString types = php(QStringLiteral(
        "echo implode(',', array_map(function ($p) { return $p->post_mime_type; }, "
        "get_posts(['post_type' => 'attachment', 'numberposts' => 2, 'post_status' => 'any', "
        "'orderby' => 'ID', 'order' => 'DESC'])));"));
    QCOMPARE(types, QStringLiteral("image/jpeg,image/jpeg"));
    const QString content =
        php(QStringLiteral("echo get_post(%1)->post_content;").arg(entry->uniqueID()));
    QVERIFY2(content.contains(QUrl(attachment->uploadPath()).path()), qPrintable(content));
}

void tst_MediaUploadPeer::failedThumbnailPassSendsOnlyTheThumbnailNext()
{
    const auto attachment = makePicture(QStringLiteral("Second"));
    const EntryPtr entry = entryWith(attachment, QStringLiteral("With a second photo"));
    // The blog stops taking files between the picture's pass and its thumbnail's.
    const QString refuse = QStringLiteral("get_role('administrator')->remove_cap('upload_files'); "
                                          "echo 'refused';");
    bool refused = false;
    const QMetaObject::Connection created =
        connect(m_uploads, &UploadRoad::jobCreated, this, [&](Job* job) {
            connect(job, &Job::statusChanged, this, [&](const QString& status) {
                if (!refused && status.startsWith(QLatin1String("Uploading thumbnail")))
                    refused = php(refuse) == QLatin1String("refused");
            });
        });
    const int before = mediaOnServer();
    m_passes = 0;
    publishAndWait(entry);
    disconnect(created);
    QVERIFY(refused);
    php(QStringLiteral("get_role('administrator')->add_cap('upload_files');"));
    QVERIFY(entry->hasFlag(Entry::LocalOnly));
    QVERIFY2(errorRowMessage(*m_list).contains(QLatin1String("upload")),
             qPrintable(errorRowMessage(*m_list)));
    QCOMPARE(m_passes, 2);
    QCOMPARE(mediaOnServer(), before + 1);
    const QString mainAddress = attachment->uploadPath();
    QVERIFY2(mainAddress.endsWith(QLatin1String("/Second.jpg")), qPrintable(mainAddress));
    QVERIFY(attachment->companionAddress.isEmpty());

    // Published again: only the thumbnail goes.
    while (!m_list->items().isEmpty())
        m_list->removeItemAt(0);
    m_passes = 0;
    publishAndWait(entry);
    QVERIFY2(!entry->hasFlag(Entry::LocalOnly), qPrintable(errorRowMessage(*m_list)));
    QCOMPARE(m_passes, 1);
    QCOMPARE(mediaOnServer(), before + 2);
    QCOMPARE(attachment->uploadPath(), mainAddress);
    QVERIFY2(attachment->companionAddress.endsWith(QLatin1String("/Second-tm.jpg")),
             qPrintable(attachment->companionAddress));
    const Fetched thumbnail = fetch(attachment->companionAddress);
    QCOMPARE(thumbnail.status, 200);
    QVERIFY2(thumbnail.type.startsWith("image/jpeg"), thumbnail.type.constData());
}

PLUMET_SECRET_SERVICE_TEST_MAIN(tst_MediaUploadPeer)
#include "tst_mediauploadpeer.moc"
