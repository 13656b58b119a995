#include "AccountList.h"
#include "ActivityList.h"
#include "AttachmentLibrary.h"
#include "ImageAttachment.h"
#include "MovieAttachment.h"
#include "PublishTesting.h"
#include "RestExchange.h"
#include "ServerRoads.h"
#include "Template.h"
#include "TestSecretService.h"
#include "UploadJob.h"
#include "UploadRoad.h"
#include "WordPressServer.h"
#include "XMLRPCDecoder.h"
#include "XMLRPCEncoder.h"

#include <QBuffer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// Pictures and movies published to WordPress from files made here, with
// nothing in the media cache beforehand: the processor converts, turns,
// scales and thumbnails them, the passes send each file under its own name
// and type, and the post links them as the blog's link template says. When a
// thumbnail's pass fails, the next publish sends the thumbnail alone and keeps
// the picture's address.
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

// Runs a tool to its end; false, with the reason, when it fails.
bool run(const QString& program, const QStringList& arguments, QByteArray* output = nullptr,
         QString* why = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    const bool ended = process.waitForFinished(120000);
    if (output)
        *output = process.readAllStandardOutput();
    if (ended && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return true;
    if (why)
        *why = program + QLatin1String(" failed: ") + process.errorString() + u' ' +
               QString::fromLocal8Bit(process.readAllStandardError());
    return false;
}

struct Decoded {
    QByteArray format; // by content
    QImage image;      // the stored pixels, not turned
};

Decoded decode(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    reader.setDecideFormatFromContent(true);
    Decoded decoded;
    decoded.format = reader.format();
    decoded.image = reader.read();
    return decoded;
}

// The photo's halves where an upright picture has them: blue on the left,
// red on the right.
bool isUprightRedBlue(const QImage& image)
{
    const QColor left = image.pixelColor(image.width() / 4, image.height() / 2);
    const QColor right = image.pixelColor(image.width() * 3 / 4, image.height() / 2);
    const bool upright =
        left.blue() > 150 && left.red() < 80 && right.red() > 150 && right.blue() < 80;
    if (!upright)
        qWarning("left %s, right %s", qPrintable(left.name()), qPrintable(right.name()));
    return upright;
}

// The metadata of a JPEG as exiftool reads it, numbers as numbers.
QVariantMap exifOf(const QByteArray& bytes)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("read.jpg"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    file.close();
    QByteArray output;
    QString why;
    if (!run(QStringLiteral("exiftool"),
             {QStringLiteral("-j"), QStringLiteral("-n"), QStringLiteral("-Artist"),
              QStringLiteral("-DateTimeOriginal"), QStringLiteral("-Orientation"), path},
             &output, &why)) {
        qWarning("%s", qPrintable(why));
        return {};
    }
    return QJsonDocument::fromJson(output).array().at(0).toObject().toVariantMap();
}

} // namespace

class tst_MediaUploadPeer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void sidewaysPhotoGoesUpUprightWithItsThumbnail();
    void pngGoesUpAsJpegWithItsThumbnail();
    void movieGoesUpWithItsPosterOrThumbnail_data();
    void movieGoesUpWithItsPosterOrThumbnail();
    void damagedPictureIsNotSent();
    void failedThumbnailPassSendsOnlyTheThumbnailNext();

private:
    std::shared_ptr<ImageAttachment> addImage(const QString& path);
    QString typeOnServer(const QString& address);
    QString publishedBody(const EntryPtr& entry);
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
    // Thumbnails link to their pictures the way this blog's theme wants.
    auto link = std::make_shared<Template>();
    link->setHtml(QStringLiteral(
        "\"$url$\" class=\"zoom\" data-size=\"$width$x$height$\" title=\"$title$\""));
    link->setKeywords(QStringLiteral("lightbox"));
    link->setLocation(1);
    m_setup.blog->setLinkTemplate(link);
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

std::shared_ptr<ImageAttachment> tst_MediaUploadPeer::addImage(const QString& path)
{
    auto image = std::dynamic_pointer_cast<ImageAttachment>(Attachment::attachmentWithPath(path));
    if (!image)
        return nullptr;
    image->setAccountID(m_setup.account->accountID());
    image->setBlogID(m_setup.blog->uniqueID());
    m_library.attachments.insert(image->uniqueID(), image);
    return image;
}

// The type WordPress filed the upload at `address` under: the type the
// request named.
QString tst_MediaUploadPeer::typeOnServer(const QString& address)
{
    return php(QStringLiteral("global $wpdb; echo $wpdb->get_var($wpdb->prepare("
                              "\"SELECT post_mime_type FROM $wpdb->posts WHERE guid = %s\", "
                              "base64_decode('%1')));")
                   .arg(QString::fromLatin1(address.toUtf8().toBase64())));
}

// The post as any client reads it back.
QString tst_MediaUploadPeer::publishedBody(const EntryPtr& entry)
{
    XMLRPCEncoder encoder;
    encoder.setMethod(QStringLiteral("metaWeblog.getPost"));
    encoder.setObjects({{QStringLiteral("postid"), entry->uniqueID()},
                        {QStringLiteral("username"), m_wordpress->username()},
                        {QStringLiteral("password"), m_wordpress->password()}});
    encoder.setKeys(
        {QStringLiteral("postid"), QStringLiteral("username"), QStringLiteral("password")});
    const RestExchange::Result answer =
        RestExchange(m_wordpress->xmlrpcUrl(), "POST", encoder.document(), "text/xml").run();
    if (!answer.ok())
        return QStringLiteral("(no answer: %1)").arg(answer.problem);
    const DecodeResult decoded = XMLRPCDecoder::decode(answer.body);
    if (decoded.isFault())
        return QStringLiteral("(fault: %1)").arg(decoded.errorMessage());
    return decoded.value().toMap().value(QStringLiteral("description")).toString();
}

// A phone photo taken sideways: 24 megapixels stored 6000 × 4000 with the top
// half red and the bottom half blue, to be turned a quarter clockwise when
// shown, with an author and a date. Nothing is in the cache beforehand.
void tst_MediaUploadPeer::sidewaysPhotoGoesUpUprightWithItsThumbnail()
{
    const QString path = m_files.filePath(QStringLiteral("Photo.jpg"));
    {
        QImage stored(6000, 4000, QImage::Format_RGB32);
        stored.fill(QColor(0xd0, 0x20, 0x20));
        QPainter(&stored).fillRect(0, 2000, 6000, 2000, QColor(0x20, 0x20, 0xd0));
        QVERIFY(stored.save(path, "JPEG", 90));
    }
    QString why;
    QVERIFY2(run(QStringLiteral("exiftool"),
                 {QStringLiteral("-q"), QStringLiteral("-overwrite_original"), QStringLiteral("-n"),
                  QStringLiteral("-Orientation=6"), QStringLiteral("-Artist=Ada Peer"),
                  QStringLiteral("-DateTimeOriginal=2026:05:01 10:20:30"), path},
                 nullptr, &why),
             qPrintable(why));

    const auto image = addImage(path);
    QVERIFY(image);
    QCOMPARE(image->width(), 4000.0);
    QCOMPARE(image->height(), 6000.0);
    // As the library adds a file: the 480-pixel rule, a thumbnail 100 high.
    image->adaptToSize();
    QVERIFY(image->useScaling());
    QCOMPARE(image->scaledWidth(), 320);
    QCOMPARE(image->scaledHeight(), 480);
    image->setThumbCreate(true);
    QCOMPARE(image->thumbHeight(), 100);
    QCOMPARE(image->thumbWidth(), 66);
    image->setAlt(QStringLiteral("Sideways & tall"));

    const EntryPtr entry = entryWith(image, QStringLiteral("With a sideways photo"));
    m_passes = 0;
    publishAndWait(entry);
    QVERIFY2(!entry->hasFlag(Entry::LocalOnly), qPrintable(errorRowMessage(*m_list)));
    QCOMPARE(m_passes, 2);
    QVERIFY(image->uploadComplete());
    QVERIFY2(image->uploadPath().endsWith(QLatin1String("/Photo.jpg")),
             qPrintable(image->uploadPath()));
    QVERIFY2(image->thumbPath().endsWith(QLatin1String("/Photo-tm.jpg")),
             qPrintable(image->thumbPath()));

    // The picture: upright, 320 × 480, a JPEG with its metadata but no turn.
    const Fetched picture = fetch(image->uploadPath());
    QCOMPARE(picture.status, 200);
    QVERIFY2(picture.type.startsWith("image/jpeg"), picture.type.constData());
    QCOMPARE(typeOnServer(image->uploadPath()), QStringLiteral("image/jpeg"));
    const Decoded shown = decode(picture.body);
    QCOMPARE(shown.format, QByteArray("jpeg"));
    QCOMPARE(shown.image.size(), QSize(320, 480));
    QVERIFY(isUprightRedBlue(shown.image));
    const QVariantMap tags = exifOf(picture.body);
    QCOMPARE(tags.value(QStringLiteral("Artist")).toString(), QStringLiteral("Ada Peer"));
    QCOMPARE(tags.value(QStringLiteral("DateTimeOriginal")).toString(),
             QStringLiteral("2026:05:01 10:20:30"));
    QVERIFY2(tags.value(QStringLiteral("Orientation"), 1).toInt() == 1,
             qPrintable(tags.value(QStringLiteral("Orientation")).toString()));

    // The thumbnail: upright too, about 100 pixels high, a JPEG of its own.
    const Fetched thumbnail = fetch(image->thumbPath());
    QCOMPARE(thumbnail.status, 200);
    QVERIFY2(thumbnail.type.startsWith("image/jpeg"), thumbnail.type.constData());
    QCOMPARE(typeOnServer(image->thumbPath()), QStringLiteral("image/jpeg"));
    const Decoded small = decode(thumbnail.body);
    QCOMPARE(small.format, QByteArray("jpeg"));
    QVERIFY2(
        small.image.height() >= 96 && small.image.height() <= 100 &&
            small.image.width() < small.image.height(),
        qPrintable(QStringLiteral("%1 x %2").arg(small.image.width()).arg(small.image.height())));
    QVERIFY(isUprightRedBlue(small.image));

    // The thumbnail links to the picture through the blog's link template.
    const QString expected =
        QLatin1String("<p>Look: <a href=\"") + image->uploadPath() +
        QLatin1String("\" class=\"zoom\" data-size=\"320x480\" title=\"Sideways &amp; tall\">"
                      "<img src=\"") +
        image->thumbPath() +
        QLatin1String("\" width=\"66\" height=\"100\" alt=\"Sideways &amp; tall\" "
                      "title=\"Sideways &amp; tall\" rel=\"lightbox\" /></a></p>");
    const QString body = publishedBody(entry);
    QVERIFY2(body == expected, qPrintable(body + QLatin1String("\n") + expected));
}

// A PNG drawing converted to JPEG by the processor at publish time: the JPEG
// copy and its thumbnail go up as JPEGs, both fetched back as they were made.
void tst_MediaUploadPeer::pngGoesUpAsJpegWithItsThumbnail()
{
    const QString path = m_files.filePath(QStringLiteral("Drawing.png"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(picture(800, 600, "PNG"));
    }
    const auto image = addImage(path);
    QVERIFY(image);
    QCOMPARE(image->conversionFormat(), int(ImageAttachment::Png));
    image->setConversionFormat(ImageAttachment::Jpeg);
    image->adaptToSize();
    image->setThumbCreate(true);
    QVERIFY(image->needsConversion());
    QCOMPARE(image->storedCachedPath(), QString());

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

    const QList<std::tuple<QString, QString, QSize>> files{
        {image->uploadPath(), image->cachedPath(), QSize(480, 360)},
        {image->thumbPath(), image->thumbCachedPath(), QSize(132, 98)}};
    for (const auto& [address, made, size] : files) {
        const Fetched fetched = fetch(address);
        QCOMPARE(fetched.status, 200);
        QVERIFY2(fetched.type.startsWith("image/jpeg"), fetched.type.constData());
        QCOMPARE(typeOnServer(address), QStringLiteral("image/jpeg"));
        const Decoded decoded = decode(fetched.body);
        QCOMPARE(decoded.format, QByteArray("jpeg"));
        QCOMPARE(decoded.image.size(), size);
        QFile file(made);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(made));
        QVERIFY(fetched.body == file.readAll());
    }
    const QString body = publishedBody(entry);
    QVERIFY2(body.contains(QLatin1String("<a href=\"") + image->uploadPath() + u'"'),
             qPrintable(body));
    QVERIFY2(body.contains(QLatin1String("<img src=\"") + image->thumbPath() + u'"'),
             qPrintable(body));
}

// A movie as a camera writes it, whose colour turns with time (red at the
// start, cyan at 2 s), with its poster frame taken at 2 s: the movie goes up
// as it is, the one-frame poster movie or the JPEG thumbnail after it, each
// typed as the file it is.
void tst_MediaUploadPeer::movieGoesUpWithItsPosterOrThumbnail_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("option");
    QTest::addColumn<QString>("movieType");
    QTest::addColumn<QString>("companionType");
    QTest::newRow("QuickTime movie, poster movie")
        << QStringLiteral("Clip.mov") << int(MovieAttachment::PosterMovie)
        << QStringLiteral("video/quicktime") << QStringLiteral("video/quicktime");
    QTest::newRow("MPEG-4 movie, thumbnail picture")
        << QStringLiteral("Film.mp4") << int(MovieAttachment::ThumbnailImage)
        << QStringLiteral("video/mp4") << QStringLiteral("image/jpeg");
}

void tst_MediaUploadPeer::movieGoesUpWithItsPosterOrThumbnail()
{
    QFETCH(QString, name);
    QFETCH(int, option);
    QFETCH(QString, movieType);
    QFETCH(QString, companionType);
    const QString path = m_files.filePath(name);
    QString why;
    QVERIFY2(run(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"),
                  QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                  QStringLiteral("color=c=red:s=320x240:r=25:d=4,hue=h=t*90"),
                  QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-pix_fmt"),
                  QStringLiteral("yuv420p"), path},
                 nullptr, &why),
             qPrintable(why));
    const auto movie =
        std::dynamic_pointer_cast<MovieAttachment>(Attachment::attachmentWithPath(path));
    QVERIFY(movie);
    QCOMPARE(movie->width(), 320.0);
    QCOMPARE(movie->height(), 240.0);
    movie->setMovieLinkOption(option);
    movie->setSelectedTime(2 * 600, 600);
    movie->setAccountID(m_setup.account->accountID());
    movie->setBlogID(m_setup.blog->uniqueID());
    m_library.attachments.insert(movie->uniqueID(), movie);

    const EntryPtr entry = entryWith(movie, QStringLiteral("With a movie"));
    m_passes = 0;
    publishAndWait(entry);
    QVERIFY2(!entry->hasFlag(Entry::LocalOnly), qPrintable(errorRowMessage(*m_list)));
    QCOMPARE(m_passes, 2);
    QVERIFY(movie->uploadComplete());
    QVERIFY2(movie->uploadPath().endsWith(u'/' + name), qPrintable(movie->uploadPath()));
    const bool poster = option == MovieAttachment::PosterMovie;
    const QString companion = poster ? movie->posterPath() : movie->thumbPath();
    const QString companionFile = poster ? movie->posterCachedPath() : movie->thumbCachedPath();
    // No suffix for movies: the companion shares the movie's base name, and
    // WordPress numbers a name it has already.
    const QString base = QFileInfo(name).completeBaseName();
    QVERIFY2(QUrl(companion).fileName().startsWith(base) &&
                 QUrl(companion).fileName().endsWith(poster ? QLatin1String(".mov")
                                                            : QLatin1String(".jpg")) &&
                 companion != movie->uploadPath(),
             qPrintable(companion));

    const Fetched film = fetch(movie->uploadPath());
    QCOMPARE(film.status, 200);
    QCOMPARE(QString::fromLatin1(film.type), movieType);
    QCOMPARE(typeOnServer(movie->uploadPath()), movieType);
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(film.body == file.readAll());
    }
    const Fetched still = fetch(companion);
    QCOMPARE(still.status, 200);
    QVERIFY2(QString::fromLatin1(still.type).startsWith(companionType), still.type.constData());
    QCOMPARE(typeOnServer(companion), companionType);
    {
        QFile file(companionFile);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(companionFile));
        QVERIFY(still.body == file.readAll());
    }

    // The still is the frame at 2 s: cyan, not the red of the start.
    QImage frame;
    const QString downloaded = m_files.filePath(movie->uniqueID() + QStringLiteral("-still"));
    {
        QFile file(downloaded);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(still.body);
    }
    if (poster) {
        QByteArray probed;
        QVERIFY2(run(QStringLiteral("ffprobe"),
                     {QStringLiteral("-v"), QStringLiteral("error"),
                      QStringLiteral("-count_frames"), QStringLiteral("-show_entries"),
                      QStringLiteral("stream=codec_name,width,height,nb_read_frames"),
                      QStringLiteral("-of"), QStringLiteral("json"), downloaded},
                     &probed, &why),
                 qPrintable(why));
        const QVariantList streams = QJsonDocument::fromJson(probed)
                                         .object()
                                         .value(QStringLiteral("streams"))
                                         .toArray()
                                         .toVariantList();
        QCOMPARE(streams.size(), 1);
        const QVariantMap stream = streams.at(0).toMap();
        QCOMPARE(stream.value(QStringLiteral("codec_name")).toString(), QStringLiteral("mpeg4"));
        QCOMPARE(stream.value(QStringLiteral("width")).toInt(), 320);
        QCOMPARE(stream.value(QStringLiteral("height")).toInt(), 240);
        QCOMPARE(stream.value(QStringLiteral("nb_read_frames")).toString(), QStringLiteral("1"));
        const QString png = downloaded + QStringLiteral(".png");
        QVERIFY2(run(QStringLiteral("ffmpeg"),
                     {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"),
                      QStringLiteral("-i"), downloaded, QStringLiteral("-frames:v"),
                      QStringLiteral("1"), png},
                     nullptr, &why),
                 qPrintable(why));
        frame.load(png);
    } else {
        const Decoded decoded = decode(still.body);
        QCOMPARE(decoded.format, QByteArray("jpeg"));
        frame = decoded.image;
        QVERIFY2(frame.height() >= 96 && frame.height() <= 100,
                 qPrintable(QString::number(frame.height())));
    }
    QVERIFY(!frame.isNull());
    const QColor centre = frame.pixelColor(frame.width() / 2, frame.height() / 2);
    QVERIFY2(centre.red() < 60 && centre.green() > 100 && centre.blue() > 100,
             qPrintable(centre.name()));

    // The post carries the player markup with the server's addresses.
    const QString body = publishedBody(entry);
    if (poster) {
        for (const QString& part : QStringList{
                 QLatin1String("<object classid=\"clsid:02BF25D5-8C17-4B23-BC80-D3488ABDDC6B\" "
                               "width=\"320\" height=\"256\""),
                 QLatin1String("<param name=\"src\" value=\"") + companion + QLatin1String("\" />"),
                 QLatin1String("<param name=\"href\" value=\"") + movie->uploadPath() +
                     QLatin1String("\" />"),
                 QLatin1String("<embed src=\"") + companion +
                     QLatin1String("\" width=\"320\" height=\"256\" href=\"") +
                     movie->uploadPath() + u'"'})
            QVERIFY2(body.contains(part), qPrintable(body + QLatin1String("\n") + part));
    } else {
        const QString image =
            QLatin1String("<img src=\"") + companion +
            QStringLiteral("\" width=\"%1\" height=\"100\"").arg(movie->thumbWidth());
        QVERIFY2(body.contains(image), qPrintable(body + QLatin1String("\n") + image));
        QCOMPARE(movie->thumbWidth(), 133);
    }
}

// A picture whose bytes break off after the header: nothing goes to the
// blog, the publish stops with the data error and the post stays local.
void tst_MediaUploadPeer::damagedPictureIsNotSent()
{
    const QString path = m_files.filePath(QStringLiteral("Damaged.jpg"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(picture(640, 480, "JPEG").left(200));
    }
    const auto image = addImage(path);
    QVERIFY(image);
    image->setThumbCreate(true);
    const EntryPtr entry = entryWith(image, QStringLiteral("With a damaged picture"));
    while (!m_list->items().isEmpty())
        m_list->removeItemAt(0);
    const int before = mediaOnServer();
    m_passes = 0;
    publishAndWait(entry);
    QVERIFY(entry->hasFlag(Entry::LocalOnly));
    QVERIFY2(errorRowMessage(*m_list).contains(QLatin1String(
                 "The data for uploading could not be prepared for some obscure reason.")),
             qPrintable(errorRowMessage(*m_list)));
    QCOMPARE(mediaOnServer(), before);
    QVERIFY(image->uploadPath().isEmpty());
    while (!m_list->items().isEmpty())
        m_list->removeItemAt(0);
}

void tst_MediaUploadPeer::failedThumbnailPassSendsOnlyTheThumbnailNext()
{
    const QString path = m_files.filePath(QStringLiteral("Second.jpg"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(picture(1600, 1200, "JPEG"));
    }
    const auto attachment = addImage(path);
    QVERIFY(attachment);
    attachment->adaptToSize();
    attachment->setThumbCreate(true);
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
    QVERIFY(attachment->thumbPath().isEmpty());

    // Published again: only the thumbnail goes.
    while (!m_list->items().isEmpty())
        m_list->removeItemAt(0);
    m_passes = 0;
    publishAndWait(entry);
    QVERIFY2(!entry->hasFlag(Entry::LocalOnly), qPrintable(errorRowMessage(*m_list)));
    QCOMPARE(m_passes, 1);
    QCOMPARE(mediaOnServer(), before + 2);
    QCOMPARE(attachment->uploadPath(), mainAddress);
    QVERIFY2(attachment->thumbPath().endsWith(QLatin1String("/Second-tm.jpg")),
             qPrintable(attachment->thumbPath()));
    const Fetched thumbnail = fetch(attachment->thumbPath());
    QCOMPARE(thumbnail.status, 200);
    QVERIFY2(thumbnail.type.startsWith("image/jpeg"), thumbnail.type.constData());
    // The post links the new thumbnail to the picture sent the first time.
    const QString body = publishedBody(entry);
    QVERIFY2(body.contains(QLatin1String("<a href=\"") + mainAddress + u'"') &&
                 body.contains(QLatin1String("<img src=\"") + attachment->thumbPath() + u'"'),
             qPrintable(body));
}

PLUMET_SECRET_SERVICE_TEST_MAIN(tst_MediaUploadPeer)
#include "tst_mediauploadpeer.moc"
