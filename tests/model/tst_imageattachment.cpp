#include "ImageAttachment.h"
#include "MediaCache.h"
#include "MediaDownloads.h"
#include "Template.h"
#include "TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace plumet::test;

namespace {

const QString Id = QStringLiteral("00112233445566778899aabbccddeeff");
const QString Main = QStringLiteral("http://blog.example.org/up/Photo.jpg");
const QString Thumb = QStringLiteral("http://blog.example.org/up/t_Photo-tm.jpg");

QByteArray pngBytes(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// A picture of that size in `folder`, in the format its name says.
QString makePicture(const QTemporaryDir& folder, const QString& name, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, 128));
    const QString path = folder.filePath(name);
    return image.save(path) ? path : QString();
}

QString writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    return path;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Fetches from memory, and remembers what it was asked.
class FakeDownloads : public MediaDownloads {
public:
    void fetch(const QUrl& url, int timeOut, qint64 maxBytes, QObject* context,
               Fetched done) override
    {
        asked = url;
        timeOutSeconds = timeOut;
        cap = maxBytes;
        QMetaObject::invokeMethod(
            context, [this, done] { done(answer, error); }, Qt::QueuedConnection);
    }
    QUrl asked;
    int timeOutSeconds = 0;
    qint64 cap = 0;
    QByteArray answer;
    QString error;
};

} // namespace

class tst_ImageAttachment : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void newFromPath();
    void failedCacheCopyKeepsTheSource();
    void markup_data();
    void markup();
    void markupWithoutUpload();
    void thumbnailOfAMissingFileSwitchesOff();
    void supportsInterlaceOnlyForPng_data();
    void supportsInterlaceOnlyForPng();
    void internetTypeByExtension_data();
    void internetTypeByExtension();
    void automaticScaling_data();
    void automaticScaling();
    void scaledSizeBelowOneTurnsScalingOff();
    void serverNames_data();
    void serverNames();
    void copyKeepsEverything();
    void fromTheWeb();
    void fromTheWebRefusesWhatIsNoPicture();
    void conversionFormatFromTheSource_data();
    void conversionFormatFromTheSource();
    void convertedCopy();
    void automaticScalingOfRealFiles_data();
    void automaticScalingOfRealFiles();
    void thumbnailFile();
    void sidewaysPhoto();
    void unreadableSource();

private:
    std::shared_ptr<ImageAttachment> photo(const QString& uploaded = Main);
    QTemporaryDir m_pictures;
};

void tst_ImageAttachment::initTestCase()
{
    QVERIFY(qEnvironmentVariableIsSet("PLUMET_TEST_DATA"));
}

std::shared_ptr<ImageAttachment> tst_ImageAttachment::photo(const QString& uploaded)
{
    auto image = std::make_shared<ImageAttachment>();
    image->setUniqueID(Id);
    image->setFilePath(QStringLiteral("/nowhere/Photo.jpg")); // a source not at hand
    image->setFileName(QStringLiteral("Photo.jpg"));
    image->setManualDimensions(1600, 1200);
    image->setUploadPath(uploaded);
    return image;
}

void tst_ImageAttachment::newFromPath()
{
    const QString source = testDataPath(QStringLiteral("model/dot.png"));
    const AttachmentPtr made = Attachment::attachmentWithPath(source);
    auto image = std::dynamic_pointer_cast<ImageAttachment>(made);
    QVERIFY(image);
    // The working copy: the uniqueID with the source's extension, in the cache.
    QCOMPARE(image->filePath(), MediaCache::folder() + u'/' + image->uniqueID() + ".png");
    QCOMPARE(fileBytes(image->filePath()), fileBytes(source));
    QCOMPARE(image->fileName(), QStringLiteral("dot.png"));
    QCOMPARE(image->fileType(), std::optional<int>(Attachment::ImageFile));
    QCOMPARE(image->thumbSuffix(), QStringLiteral("-tm"));
    QCOMPARE(image->thumbQuality(), std::optional<double>(0.9));
    QCOMPARE(image->thumbHeight(), 100);
}

void tst_ImageAttachment::failedCacheCopyKeepsTheSource()
{
    const QString source = testDataPath(QStringLiteral("model/photo.jpg"));
    ImageAttachment image;
    // Something that is no file stands where the copy would go.
    const QString target = MediaCache::folder() + u'/' + image.uniqueID() + ".jpg";
    QVERIFY(QDir().mkpath(target + QStringLiteral("/inside")));
    image.initWithPath(source);
    QCOMPARE(image.filePath(), source);
    QVERIFY(QFileInfo(target).isDir());
    // Clearing it leaves the user's picture alone.
    image.setFilePath(QString());
    QVERIFY(QFileInfo::exists(source));
    QDir(target).removeRecursively();
}

void tst_ImageAttachment::markup_data()
{
    QTest::addColumn<QVariantMap>("settings");
    QTest::addColumn<QVariantMap>("linkTemplate"); // html, location, keywords, fontSize
    QTest::addColumn<QString>("editor");
    QTest::addColumn<QString>("published");

    const QString id = QStringLiteral(" id=\"%1\"").arg(Id);
    QTest::newRow("plain") << QVariantMap{} << QVariantMap{}
                           << "<img src=\"" + Main + "\" width=\"1600\" height=\"1200\"" + id +
                                  " />"
                           << "<img src=\"" + Main +
                                  "\" width=\"1600\" height=\"1200\" alt=\"Photo.jpg\" />";
    QTest::newRow("scaled, alt encoded")
        << QVariantMap{{"useScaling", true}, {"scaledWidth", 480}, {"alt", "Tom & \"Jerry\" <3"}}
        << QVariantMap{}
        << "<img src=\"" + Main + "\" width=\"480\" height=\"360\"" + id +
               " alt=\"Tom &amp; &quot;Jerry&quot; &lt;3\" />"
        << "<img src=\"" + Main +
               "\" width=\"480\" height=\"360\" alt=\"Tom &amp; &quot;Jerry&quot; &lt;3\" />";
    QTest::newRow("thumbnail, no template")
        << QVariantMap{{"thumbCreate", true}, {"thumbPath", Thumb}, {"thumbHeight", 100}}
        << QVariantMap{} << "<img src=\"" + Thumb + "\" width=\"133\" height=\"100\"" + id + " />"
        << "<a href=\"" + Main + "\"><img src=\"" + Thumb +
               "\" width=\"133\" height=\"100\" alt=\"Photo.jpg\" /></a>";
    QTest::newRow("thumbnail through the link template")
        << QVariantMap{{"thumbCreate", true}, {"thumbPath", Thumb}, {"thumbHeight", 100}}
        << QVariantMap{{"html", "\"$url$\" rel=\"lightbox\" data-size=\"$width$x$height$\" "
                                "title=\"$title$\" data-full=\"$url$\""},
                       {"location", 1},
                       {"keywords", "gallery"},
                       {"fontSize", 0}}
        << "<img src=\"" + Thumb + "\" width=\"133\" height=\"100\"" + id + " />"
        << "<a href=\"" + Main +
               "\" rel=\"lightbox\" data-size=\"1600x1200\" title=\"Photo.jpg\" " + "data-full=\"" +
               Main + "\"><img src=\"" + Thumb +
               "\" alt=\"Photo.jpg\" title=\"Photo.jpg\" rel=\"gallery\" /></a>";
    QTest::newRow("template title from the alt, scaled size")
        << QVariantMap{{"thumbCreate", true}, {"thumbPath", Thumb},  {"thumbHeight", 100},
                       {"useScaling", true},  {"scaledHeight", 480}, {"alt", "Sea & sky"}}
        << QVariantMap{{"html", "'$url$' title='$title$ ($width$ by $height$)'"}, {"location", 1}}
        << "<img src=\"" + Thumb + "\" width=\"133\" height=\"100\"" + id +
               " alt=\"Sea &amp; sky\" />"
        << "<a href='" + Main + "' title='Sea &amp; sky (640 by 480)'><img src=\"" + Thumb +
               "\" width=\"133\" height=\"100\" alt=\"Sea &amp; sky\" title=\"Sea &amp; sky\" " +
               "/></a>";
    QTest::newRow("class wins over border")
        << QVariantMap{{"className", "photo"}, {"border", 2}, {"floatOption", 1}} << QVariantMap{}
        << "<img src=\"" + Main + "\" width=\"1600\" height=\"1200\"" + id + " class=\"photo\" />"
        << "<img src=\"" + Main +
               "\" width=\"1600\" height=\"1200\" alt=\"Photo.jpg\" class=\"photo\" />";
    QTest::newRow("style trimmed")
        << QVariantMap{{"floatOption", 1}, {"marginTop", 4}} << QVariantMap{}
        << "<img src=\"" + Main + "\" width=\"1600\" height=\"1200\"" + id +
               " style=\"float:left; margin-top:4px;\" />"
        << "<img src=\"" + Main +
               "\" width=\"1600\" height=\"1200\" alt=\"Photo.jpg\" style=\"float:left; "
               "margin-top:4px;\" />";
    QTest::newRow("hostile server address")
        << QVariantMap{{"uploadPath", "http://x.example/a\"><script>.jpg?a=1&b=2"}} << QVariantMap{}
        << "<img src=\"http://x.example/a%22%3E%3Cscript%3E.jpg?a=1&b=2\" width=\"1600\" "
           "height=\"1200\"" +
               id + " />"
        << "<img src=\"http://x.example/a%22%3E%3Cscript%3E.jpg?a=1&b=2\" width=\"1600\" "
           "height=\"1200\" alt=\"Photo.jpg\" />";
    QTest::newRow("rel as it stands")
        << QVariantMap{} << QVariantMap{{"keywords", "nofollow"}, {"location", 0}}
        << "<img src=\"" + Main + "\" width=\"1600\" height=\"1200\"" + id + " />"
        << "<img src=\"" + Main +
               "\" width=\"1600\" height=\"1200\" alt=\"Photo.jpg\" rel=\"nofollow\" />";
}

void tst_ImageAttachment::markup()
{
    QFETCH(QVariantMap, settings);
    QFETCH(QVariantMap, linkTemplate);
    QFETCH(QString, editor);
    QFETCH(QString, published);

    const auto image = photo();
    for (auto it = settings.cbegin(); it != settings.cend(); ++it)
        QVERIFY2(image->setStoredValue(it.key(), it.value()), qPrintable(it.key()));
    Template link;
    if (linkTemplate.contains("html"))
        link.setHtml(linkTemplate.value("html").toString());
    if (linkTemplate.contains("keywords"))
        link.setKeywords(linkTemplate.value("keywords").toString());
    if (linkTemplate.contains("location"))
        link.setLocation(linkTemplate.value("location").toInt());
    if (linkTemplate.contains("fontSize"))
        link.setFontSize(linkTemplate.value("fontSize").toDouble());

    QCOMPARE(image->generateMarkup(true, &link), editor);
    QCOMPARE(image->generateMarkup(false, &link), published);
    if (linkTemplate.isEmpty())
        QCOMPARE(image->generateMarkup(false, nullptr), published);
}

void tst_ImageAttachment::markupWithoutUpload()
{
    // Before the upload the published form points at the converted copy.
    const auto image = photo(QString());
    const QString converted = writeFile(
        MediaCache::folder() + u'/' + MediaCache::newFileName() + ".jpeg", QByteArray("jpeg"));
    image->setCachedPath(converted);
    const QString address = QUrl::fromLocalFile(converted).toString(QUrl::FullyEncoded);
    QCOMPARE(image->generateMarkup(false, nullptr),
             "<img src=\"" + address + "\" width=\"1600\" height=\"1200\" alt=\"Photo.jpg\" />");
    // The converted copy goes with its attachment.
    image->setCachedPath(QString());
    QVERIFY(!QFileInfo::exists(converted));
}

void tst_ImageAttachment::thumbnailOfAMissingFileSwitchesOff()
{
    const auto image = photo();
    image->setThumbCreate(true);
    QCOMPARE(image->generateMarkup(false, nullptr),
             "<img src=\"" + Main + "\" width=\"1600\" height=\"1200\" alt=\"Photo.jpg\" />");
    QCOMPARE(image->thumbCreate(), false);
}

void tst_ImageAttachment::supportsInterlaceOnlyForPng_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<bool>("interlace");
    QTest::newRow("jpeg") << 0 << false;
    QTest::newRow("png") << 1 << true;
    QTest::newRow("pdf") << 2 << false;
    QTest::newRow("own type") << 3 << false;
    QTest::newRow("jpeg 2000") << 4 << false;
    QTest::newRow("gif") << 5 << false;
}

void tst_ImageAttachment::supportsInterlaceOnlyForPng()
{
    QFETCH(int, format);
    QFETCH(bool, interlace);
    ImageAttachment image;
    QSignalSpy changes(&image, &ModelRecord::valueChanged);
    image.setConversionFormat(format);
    QCOMPARE(image.supportsInterlace(), interlace);
    QVERIFY(changes.contains(QVariantList{QStringLiteral("supportsInterlace")}));
}

void tst_ImageAttachment::internetTypeByExtension_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("type");
    QTest::newRow("png") << "A.png"
                         << "image/png";
    QTest::newRow("PNG") << "A.PNG"
                         << "image/png";
    QTest::newRow("gif") << "A.Gif"
                         << "image/gif";
    QTest::newRow("tiff") << "A.tiff"
                          << "image/tiff";
    QTest::newRow("tif") << "A.tif"
                         << "image/tiff";
    QTest::newRow("TIFF") << "A.TIFF"
                          << "image/jpeg"; // the "tif" test minds the case
    QTest::newRow("pdf") << "A.PDF"
                         << "application/pdf";
    QTest::newRow("jpeg") << "A.jpeg"
                          << "image/jpeg";
    QTest::newRow("jp2") << "A.jp2"
                         << "image/jpeg";
}

void tst_ImageAttachment::internetTypeByExtension()
{
    QFETCH(QString, file);
    QFETCH(QString, type);
    QCOMPARE(ImageAttachment::internetTypeForFile(file), type);
}

void tst_ImageAttachment::automaticScaling_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("scaled");
    QTest::addColumn<int>("scaledWidth");
    QTest::addColumn<int>("scaledHeight");
    QTest::newRow("1024 x 768") << 1024 << 768 << true << 480 << 360;
    QTest::newRow("600 x 800") << 600 << 800 << true << 360 << 480;
    QTest::newRow("480 x 480") << 480 << 480 << false << 480 << 480;
    QTest::newRow("481 x 481") << 481 << 481 << true << 480 << 480;
    QTest::newRow("300 x 200") << 300 << 200 << false << 300 << 200;
    QTest::newRow("479 x 1000") << 479 << 1000 << true << 229 << 480;
}

void tst_ImageAttachment::automaticScaling()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(bool, scaled);
    QFETCH(int, scaledWidth);
    QFETCH(int, scaledHeight);
    ImageAttachment image;
    image.initWithPath(testDataPath(QStringLiteral("model/dot.png")));
    image.setManualDimensions(width, height);
    image.adaptToSize();
    QCOMPARE(image.useScaling(), scaled);
    QCOMPARE(image.scaledWidth(), scaledWidth);
    QCOMPARE(image.scaledHeight(), scaledHeight);
}

void tst_ImageAttachment::scaledSizeBelowOneTurnsScalingOff()
{
    ImageAttachment image;
    image.initWithPath(testDataPath(QStringLiteral("model/dot.png")));
    image.setManualDimensions(1000, 500);
    image.setUseScaling(true);
    image.setScaledWidth(400);
    QCOMPARE(image.scaledHeight(), 200);
    image.setScaledWidth(0);
    QCOMPARE(image.useScaling(), false);
    QCOMPARE(image.scaledWidth(), 400);
    QCOMPARE(image.scaledHeight(), 200);
}

void tst_ImageAttachment::serverNames_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("sent");
    QTest::addColumn<bool>("companion");
    QTest::addColumn<QString>("name");
    QTest::newRow("JPEG converted to JPEG") << "Photo.JPEG"
                                            << "/c/X.jpeg" << false << "Photo.jpg";
    QTest::newRow("PNG converted to JPEG") << "Photo.png"
                                           << "/c/X.jpeg" << false << "Photo.jpg";
    QTest::newRow("source sent") << "Photo.png"
                                 << "/c/id.png" << false << "Photo.png";
    QTest::newRow("thumbnail") << "Photo.png"
                               << "/c/Yt.jpeg" << true << "t_Photo-tm.jpg";
    QTest::newRow("two dots") << "my.best.Photo.gif"
                              << "/c/X.gif" << false << "my.best.Photo.gif";
    QTest::newRow("no extension") << "Photo"
                                  << "/c/X" << false << "Photo";
}

void tst_ImageAttachment::serverNames()
{
    QFETCH(QString, fileName);
    QFETCH(QString, sent);
    QFETCH(bool, companion);
    QFETCH(QString, name);
    ImageAttachment image;
    image.setFileName(fileName);
    image.setThumbPrefix(QStringLiteral("t_"));
    image.setThumbSuffix(QStringLiteral("-tm"));
    QCOMPARE(image.serverName(sent, companion), name);
}

void tst_ImageAttachment::copyKeepsEverything()
{
    const auto image = photo();
    image->setStoredValue(u"thumbCreate", true);
    image->setStoredValue(u"thumbPath", Thumb);
    image->setStoredValue(u"conversionFormat", 1);
    image->setStoredValue(u"useScaling", true);
    image->setStoredValue(u"scaledWidth", 800);
    image->setStoredValue(u"longdesc", QStringLiteral("long"));
    image->setStoredValue(u"borderColor", QVariant::fromValue(rv::Color(0, 0, 1)));
    const auto copy = std::dynamic_pointer_cast<ImageAttachment>(image->copy());
    QVERIFY(copy);
    QCOMPARE(copy->uniqueID(), Id);
    QCOMPARE(copy->generateMarkup(false, nullptr), image->generateMarkup(false, nullptr));
    QCOMPARE(copy->generateMarkup(true, nullptr), image->generateMarkup(true, nullptr));
    QCOMPARE(copy->conversionFormat(), 1);
    QCOMPARE(copy->longdesc(), QStringLiteral("long"));
    QCOMPARE(copy->borderColor(), image->borderColor());
}

void tst_ImageAttachment::fromTheWeb()
{
    FakeDownloads downloads;
    MediaDownloads::setSharedInstance(&downloads);
    downloads.answer = pngBytes(40, 30);
    const QUrl url(QStringLiteral("http://pictures.example.org/gallery/sunset.png?size=large"));
    std::shared_ptr<ImageAttachment> image;
    QString error;
    bool called = false;
    QObject context;
    ImageAttachment::initWithURL(url, &context,
                                 [&](std::shared_ptr<ImageAttachment> made, const QString& why) {
                                     called = true;
                                     image = std::move(made);
                                     error = why;
                                 });
    QVERIFY(!called); // never waits for the network
    QCOMPARE(downloads.asked, url);
    QCOMPARE(downloads.timeOutSeconds, 30);
    QCOMPARE(downloads.cap, qint64(50) * 1024 * 1024);
    QTRY_VERIFY(called);
    QVERIFY2(image, qPrintable(error));
    QCOMPARE(image->uploadPath(), url.toString(QUrl::FullyEncoded));
    QCOMPARE(image->fileName(), QStringLiteral("sunset.png"));
    // The bytes as received, in the cache; the download folder is gone.
    QCOMPARE(image->filePath(), MediaCache::folder() + u'/' + image->uniqueID() + ".png");
    QCOMPARE(fileBytes(image->filePath()), downloads.answer);
    QCOMPARE(image->thumbSuffix(), QStringLiteral("-tm"));
    MediaDownloads::setSharedInstance(nullptr);
}

void tst_ImageAttachment::fromTheWebRefusesWhatIsNoPicture()
{
    QString error;
    QVERIFY(!ImageAttachment::fromDownload(QUrl(QStringLiteral("http://x.example/a.png")),
                                           QByteArray("<html>not found</html>"), &error));
    QVERIFY(!error.isEmpty());
    // Without a download road nothing starts, and the caller hears so at once.
    bool called = false;
    QObject context;
    ImageAttachment::initWithURL(
        QUrl(QStringLiteral("http://x.example/a.png")), &context,
        [&](std::shared_ptr<ImageAttachment> made, const QString&) { called = !made; });
    QVERIFY(called);
    // A whole URL without a path names the attachment.
    const auto bare =
        ImageAttachment::fromDownload(QUrl(QStringLiteral("http://x.example")), pngBytes(2, 2));
    QVERIFY(bare);
    QCOMPARE(bare->fileName(), QStringLiteral("http:x.example"));
}

void tst_ImageAttachment::conversionFormatFromTheSource_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("extension");
    QTest::newRow("png") << "a.png" << 1 << "image/png"
                         << "png";
    QTest::newRow("jpeg") << "a.jpg" << 0 << "image/jpeg"
                          << "jpeg";
    QTest::newRow("tiff") << "a.tif" << 0 << "image/jpeg"
                          << "jpeg";
    QTest::newRow("bmp") << "a.bmp" << 0 << "image/jpeg"
                         << "jpeg";
}

void tst_ImageAttachment::conversionFormatFromTheSource()
{
    QFETCH(QString, name);
    QFETCH(int, format);
    QFETCH(QString, type);
    QFETCH(QString, extension);
    const QString source = makePicture(m_pictures, name, 64, 48);
    if (source.isEmpty())
        QSKIP("no writer for this format");
    const auto image =
        std::dynamic_pointer_cast<ImageAttachment>(Attachment::attachmentWithPath(source));
    QVERIFY(image);
    QCOMPARE(image->conversionFormat(), format);
    QCOMPARE(image->internetType(), type);
    QCOMPARE(QFileInfo(image->cachedPath()).suffix(), extension);
}

void tst_ImageAttachment::convertedCopy()
{
    const QString source = makePicture(m_pictures, QStringLiteral("b.png"), 64, 48);
    ImageAttachment image;
    image.initWithPath(source);
    // Format 3 keeps the source's own type.
    image.setConversionFormat(ImageAttachment::KeepFormat);
    const QString kept = image.cachedPath();
    QCOMPARE(QFileInfo(kept).path(), MediaCache::folder());
    QCOMPARE(QFileInfo(kept).suffix(), QStringLiteral("png"));
    QVERIFY(!image.needsConversion());
    // Another format drops that copy and makes a new one, named by a fresh UUID.
    image.setConversionFormat(ImageAttachment::Jpeg);
    QVERIFY(!QFileInfo::exists(kept));
    QVERIFY(image.needsConversion());
    const QString jpeg = image.cachedPath();
    QVERIFY(QRegularExpression(QStringLiteral("^[0-9A-F-]{36}\\.jpeg$"))
                .match(QFileInfo(jpeg).fileName())
                .hasMatch());
    QCOMPARE(image.internetType(), QStringLiteral("image/jpeg"));
    QCOMPARE(image.serverName(jpeg, false), QStringLiteral("b.jpg"));
    // The copy goes with the attachment.
    QString copy;
    {
        ImageAttachment gone;
        gone.initWithPath(source);
        copy = gone.cachedPath();
        QVERIFY(QFileInfo::exists(copy));
    }
    QVERIFY(!QFileInfo::exists(copy));
}

void tst_ImageAttachment::automaticScalingOfRealFiles_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QSize>("written");
    QTest::newRow("1024 x 768") << 1024 << 768 << QSize(480, 360);
    QTest::newRow("600 x 800") << 600 << 800 << QSize(360, 480);
    QTest::newRow("481 x 481") << 481 << 481 << QSize(480, 480);
    QTest::newRow("480 x 480") << 480 << 480 << QSize(480, 480);
    QTest::newRow("1000 x 333") << 1000 << 333 << QSize(480, 158); // 159.84, made even
}

void tst_ImageAttachment::automaticScalingOfRealFiles()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QSize, written);
    const QString source =
        makePicture(m_pictures, QStringLiteral("%1x%2.png").arg(width).arg(height), width, height);
    ImageAttachment image;
    image.initWithPath(source);
    QCOMPARE(image.width(), double(width));
    QCOMPARE(image.height(), double(height));
    image.adaptToSize();
    const QImage converted(image.cachedPath());
    QCOMPARE(converted.size(), written);
}

void tst_ImageAttachment::thumbnailFile()
{
    const QString source = makePicture(m_pictures, QStringLiteral("wide.png"), 1600, 1200);
    ImageAttachment image;
    image.initWithPath(source);
    QCOMPARE(image.thumbWidth(), 133);
    image.setThumbCreate(true);
    const QString markup = image.generateMarkup(true, nullptr);
    const QString thumbnail = image.storedThumbCachedPath();
    QVERIFY(QRegularExpression(QStringLiteral("^[0-9A-F-]{36}t\\.jpeg$"))
                .match(QFileInfo(thumbnail).fileName())
                .hasMatch());
    QCOMPARE(QFileInfo(thumbnail).path(), MediaCache::folder());
    QCOMPARE(QImage(thumbnail).size(), QSize(132, 98));
    // The list picture: the height of the row.
    QCOMPARE(image.cellImageForSize(76).size(), QSize(100, 76));
    QCOMPARE(markup, "<img src=\"" + QUrl::fromLocalFile(thumbnail).toString(QUrl::FullyEncoded) +
                         "\" width=\"133\" height=\"100\" id=\"" + image.uniqueID() + "\" />");
    // Any thumbnail setting drops the file.
    image.setThumbQuality(0.5);
    QVERIFY(!QFileInfo::exists(thumbnail));
}

void tst_ImageAttachment::sidewaysPhoto()
{
    const QString source = makePicture(m_pictures, QStringLiteral("sideways.jpg"), 300, 200);
    QProcess exiftool;
    exiftool.start(QStringLiteral("exiftool"),
                   {"-q", "-overwrite_original", "-Orientation=6", "-n", source});
    QVERIFY(exiftool.waitForFinished(60000));
    QCOMPARE(exiftool.exitCode(), 0);

    ImageAttachment image;
    image.initWithPath(source);
    QCOMPARE(image.width(), 200.0);
    QCOMPARE(image.height(), 300.0);
    QCOMPARE(image.thumbWidth(), 66);
    QVERIFY(image.needsConversion()); // turned upright on the way
    image.setThumbCreate(true);
    const QImage thumbnail(image.thumbCachedPath());
    QVERIFY(thumbnail.height() > thumbnail.width());
    QCOMPARE(thumbnail.height() % 2, 0);
    QCOMPARE(thumbnail.width() % 2, 0);
}

void tst_ImageAttachment::unreadableSource()
{
    const QString source =
        writeFile(m_pictures.filePath(QStringLiteral("broken.png")), QByteArray("\x89PNG\r\n"));
    ImageAttachment image;
    image.initWithPath(source);
    QVERIFY(!image.image());
    QCOMPARE(image.cachedPath(), QString());
    QCOMPARE(image.internetType(), QStringLiteral("image/jpeg"));
    QVERIFY(!image.needsConversion());
    // Nothing to send on any road: the upload reports its data error.
    QCOMPARE(image.uploadFilePath(Attachment::UploadVia::Blog), QString());
    QCOMPARE(image.uploadFilePath(Attachment::UploadVia::Uploader), QString());
    QCOMPARE(image.uploadInternetType(), QString());
}

QTEST_MAIN(tst_ImageAttachment)
#include "tst_imageattachment.moc"
