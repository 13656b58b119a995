#include "ImageObject.h"
#include "ImageTestTools.h"
#include "ProfileTesting.h"
#include "ThreadCpuTimer.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <lcms2.h>

using namespace plumet::test;

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Upright, the picture has red top left, green top right, blue bottom left and
// white bottom right; it is wider than high.
QImage quadrants(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    p.fillRect(0, 0, w / 2, h / 2, Qt::red);
    p.fillRect(w / 2, 0, w - w / 2, h / 2, Qt::green);
    p.fillRect(0, h / 2, w / 2, h - h / 2, Qt::blue);
    p.fillRect(w / 2, h / 2, w - w / 2, h - h / 2, Qt::white);
    return image;
}

bool near(QRgb a, QColor b)
{
    return std::abs(qRed(a) - b.red()) < 60 && std::abs(qGreen(a) - b.green()) < 60 &&
           std::abs(qBlue(a) - b.blue()) < 60;
}

// The CRC of a PNG chunk (ISO 3309).
quint32 pngCrc(const QByteArray& bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= uchar(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xFFFFFFFFu;
}

// Exif values as exiftool reads them (numbers as numbers).
QJsonObject exifOf(const QString& path)
{
    QString out;
    if (!runImageTool("exiftool", {"-j", "-n", "-G0", path}, &out))
        return {};
    return QJsonDocument::fromJson(out.toUtf8()).array().at(0).toObject();
}

} // namespace

class tst_ImageObject : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void freshProcessor();
    void orientationsStandUpright_data();
    void orientationsStandUpright();
    void orientationOutsideTheRangeCountsAsOne_data();
    void orientationOutsideTheRangeCountsAsOne();
    void rotatedPhotoReportsShownSize();
    void scaledSizesAreEven();
    void indexedSourcesPassThrough_data();
    void indexedSourcesPassThrough();
    void interlacedPng_data();
    void interlacedPng();
    void writersReadBack_data();
    void writersReadBack();
    void metadataKeptLessOrientation();
    void qualityOption();
    void wideGamutConvertedToSRgb();
    void oversizedRefusedWithoutDecoding_data();
    void oversizedRefusedWithoutDecoding();
    void badSourcesRefusedWithReason_data();
    void badSourcesRefusedWithReason();
    void typedByContentNotName();
    void onlyPngInterlaces();
    void lanczosMatchesVips_data();
    void lanczosMatchesVips();

private:
    QString path(const QString& name) const { return m_dir->filePath(name); }
    void requireTools(const QStringList& tools);
    // Writes an upright picture as a JPEG stored turned by the inverse of
    // `orientation` and tagged with it, as a camera does.
    QString storedPhoto(const QString& name, const QImage& upright, int orientation);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_ImageObject::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void tst_ImageObject::cleanup()
{
    m_dir.reset();
}

void tst_ImageObject::requireTools(const QStringList& tools)
{
    for (const QString& tool : tools)
        if (imageTool(tool).isEmpty())
            QSKIP(qPrintable(tool + " is not installed (scripts/install-deps.sh)"));
}

QString tst_ImageObject::storedPhoto(const QString& name, const QImage& upright, int orientation)
{
    static const QStringList inverse[9] = {{},
                                           {},
                                           {"-flop"},
                                           {"-rotate", "180"},
                                           {"-flip"},
                                           {"-transpose"},
                                           {"-rotate", "-90"},
                                           {"-transverse"},
                                           {"-rotate", "90"}};
    const QString source = path(name + "-upright.png");
    const QString target = path(name + ".jpg");
    if (!upright.save(source))
        return {};
    QString out;
    if (!runImageTool("convert",
                      QStringList{source} + inverse[orientation] +
                          QStringList{"-quality", "95", target},
                      &out)) {
        qWarning() << out;
        return {};
    }
    if (!runImageTool(
            "exiftool",
            {"-overwrite_original", "-n", QString("-Orientation=%1").arg(orientation), target},
            &out)) {
        qWarning() << out;
        return {};
    }
    return target;
}

void tst_ImageObject::freshProcessor()
{
    ImageObject image;
    QCOMPARE(image.desiredHeight(), 96);
    QCOMPARE(image.desiredWidth(), 112);
    QVERIFY(!image.hasImage());
    QCOMPARE(image.imageWidth(), 0);
    QCOMPARE(image.scaledHeight(), 0);
    QVERIFY(image.currentImage().isNull());
    QVERIFY(image.saveWithFilename("x", m_dir->path()).isEmpty());
}

void tst_ImageObject::orientationsStandUpright_data()
{
    QTest::addColumn<int>("orientation");
    for (int o = 1; o <= 8; ++o)
        QTest::addRow("%d", o) << o;
}

void tst_ImageObject::orientationsStandUpright()
{
    requireTools({"convert", "exiftool"});
    QFETCH(int, orientation);
    const QString file = storedPhoto("photo", quadrants(64, 48), orientation);
    QVERIFY(!file.isEmpty());

    for (const bool scaled : {false, true}) {
        ImageObject image;
        QVERIFY2(image.setImagePath(file), qPrintable(image.errorString()));
        QCOMPARE(image.orientation(), orientation);
        QCOMPARE(image.imageWidth(), 64);
        QCOMPARE(image.imageHeight(), 48);
        if (scaled) {
            // The records swap the two for the rotated orientations.
            image.setScales(true, 32, 0);
            image.setSharpenLuminance(false, 0);
        }
        const QImage shown = image.currentImage();
        const int w = scaled ? 32 : 64, h = scaled ? 24 : 48;
        QCOMPARE(shown.size(), QSize(w, h));
        QVERIFY2(near(shown.pixel(w / 4, h / 4), Qt::red), qPrintable(QString::number(scaled)));
        QVERIFY(near(shown.pixel(3 * w / 4, h / 4), Qt::green));
        QVERIFY(near(shown.pixel(w / 4, 3 * h / 4), Qt::blue));
        QVERIFY(near(shown.pixel(3 * w / 4, 3 * h / 4), Qt::white));
    }
}

void tst_ImageObject::orientationOutsideTheRangeCountsAsOne_data()
{
    QTest::addColumn<int>("stored");
    QTest::newRow("0") << 0;
    QTest::newRow("9") << 9;
}

void tst_ImageObject::orientationOutsideTheRangeCountsAsOne()
{
    requireTools({"exiftool"});
    QFETCH(int, stored);
    const QString file = path("odd.jpg");
    QVERIFY(quadrants(40, 20).save(file, "jpeg"));
    QString out;
    QVERIFY2(runImageTool(
                 "exiftool",
                 {"-overwrite_original", "-n", QString("-Orientation=%1").arg(stored), file}, &out),
             qPrintable(out));
    ImageObject image;
    QVERIFY(image.setImagePath(file));
    QCOMPARE(image.metadata().value("Orientation").toInt(), stored);
    QCOMPARE(image.orientation(), 1);
    QCOMPARE(image.imageTransform(), QTransform());
    QCOMPARE(image.currentImage().size(), QSize(40, 20));
}

void tst_ImageObject::rotatedPhotoReportsShownSize()
{
    requireTools({"exiftool"});
    const QString file = path("side.jpg");
    QVERIFY(QImage(3000, 2000, QImage::Format_RGB32).save(file, "jpeg"));
    QVERIFY(runImageTool("exiftool", {"-overwrite_original", "-n", "-Orientation=6", file}));
    ImageObject image;
    QVERIFY(image.setImagePath(file));
    QCOMPARE(image.imageWidth(), 2000);
    QCOMPARE(image.imageHeight(), 3000);
    QCOMPARE(image.imageTransform(), QTransform(0, -1, 1, 0, 0, 3000));
}

void tst_ImageObject::scaledSizesAreEven()
{
    const QString file = path("wide.png");
    QVERIFY(photoLikePicture(1000, 600).save(file));
    ImageObject image;
    QVERIFY(image.setImagePath(file));
    image.setScales(true, 333, 0);
    QCOMPARE(image.desiredWidth(), 333);
    QCOMPARE(image.desiredHeight(), 96);
    QVERIFY(qAbs(image.scale() - 0.333) < 1e-9);
    QCOMPARE(image.scaledWidth(), 332);
    QCOMPARE(image.scaledHeight(), 198); // 199.8 → 199 → 198
    QCOMPARE(image.currentImage().size(), QSize(332, 198));
    QCOMPARE(image.sharpness(), 0.45);
    QCOMPARE(image.sharpenRadius().toDouble(), 1.25);

    image.setScales(false, 0, 0);
    QCOMPARE(image.scaledWidth(), 1000);
    QVERIFY(image.sharpenRadius().isNull());
    QVERIFY(!image.sharpensLuminance());
    QCOMPARE(image.currentImage().size(), QSize(1000, 600));
}

void tst_ImageObject::indexedSourcesPassThrough_data()
{
    QTest::addColumn<QStringList>("make");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("extension");
    QTest::newRow("animated gif") << QStringList{"-delay", "20",      "-size", "40x30",
                                                 "xc:red", "xc:blue", "-loop", "0"}
                                  << "anim.gif"
                                  << "gif";
    QTest::newRow("palette png") << QStringList{"-size", "40x30", "gradient:red-blue", "-colors",
                                                "16"}
                                 << "PNG8:palette.png"
                                 << "png";
}

void tst_ImageObject::indexedSourcesPassThrough()
{
    requireTools({"convert"});
    QFETCH(QStringList, make);
    QFETCH(QString, name);
    QFETCH(QString, extension);
    const QString target = path(name.section(':', -1));
    QString out;
    QVERIFY2(
        runImageTool("convert",
                     make + QStringList{name.contains(':') ? name.section(':', 0, 0) + ':' + target
                                                           : target},
                     &out),
        qPrintable(out));
    ImageObject image;
    QVERIFY2(image.setImagePath(target), qPrintable(image.errorString()));
    QVERIFY(!image.indexedData().isEmpty());
    image.setSaveType("public.jpeg"); // ignored: indexed pictures are never re-encoded
    image.setScales(true, 20, 0);
    const QString saved = image.saveWithFilename("copy", path("cache"));
    QVERIFY(saved.isEmpty()); // no such folder
    QVERIFY(QDir(m_dir->path()).mkdir("cache"));
    const QString written = image.saveWithFilename("copy", path("cache"));
    QCOMPARE(written, path("cache/copy." + extension));
    QCOMPARE(readAll(written), readAll(target));
}

void tst_ImageObject::interlacedPng_data()
{
    QTest::addColumn<QVariant>("interlaced");
    QTest::addColumn<int>("ihdrByte");
    QTest::newRow("on") << QVariant(true) << 1;
    QTest::newRow("off") << QVariant(false) << 0;
    QTest::newRow("unset") << QVariant() << 0;
}

void tst_ImageObject::interlacedPng()
{
    QFETCH(QVariant, interlaced);
    QFETCH(int, ihdrByte);
    const QString file = path("photo.jpg");
    QVERIFY(photoLikePicture(300, 200).save(file, "jpeg"));
    ImageObject image;
    QVERIFY(image.setImagePath(file));
    image.setSaveType("public.png");
    image.setInterlaced(interlaced);
    QCOMPARE(image.saveMetaAndOpts().value("{PNG}").toMap().value("InterlaceType").toInt(),
             ihdrByte);
    const QString written = image.saveWithFilename("p", m_dir->path());
    QVERIFY(written.endsWith("/p.png"));
    const QByteArray bytes = readAll(written);
    // Signature (8), IHDR length and name (8), width, height, depth, colour
    // type, compression, filter, then the interlace method at 28.
    QCOMPARE(bytes.mid(12, 4), QByteArray("IHDR"));
    QCOMPARE(int(uchar(bytes.at(28))), ihdrByte);
    const QImage back(written);
    QCOMPARE(back.size(), QSize(300, 200));
    QVERIFY(psnr(back, image.currentImage()) > 60);
}

void tst_ImageObject::writersReadBack_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("extension");
    QTest::newRow("jpeg") << "public.jpeg"
                          << "jpeg";
    QTest::newRow("png") << "public.png"
                         << "png";
    QTest::newRow("jpeg 2000") << "public.jpeg-2000"
                               << "jp2";
    QTest::newRow("gif") << "com.compuserve.gif"
                         << "gif";
    QTest::newRow("pdf") << "com.adobe.pdf"
                         << "pdf";
}

void tst_ImageObject::writersReadBack()
{
    QFETCH(QString, type);
    QFETCH(QString, extension);
    const QString file = path("source.png");
    QVERIFY(photoLikePicture(480, 320).save(file));
    ImageObject image;
    QVERIFY(image.setImagePath(file));
    image.setScales(true, 240, 0);
    image.setSaveType(type);
    image.setQuality(0.9);
    const QImage rendered = image.currentImage();
    QCOMPARE(rendered.size(), QSize(240, 160));
    const QString written = image.saveWithFilename("out", m_dir->path());
    QCOMPARE(written, path("out." + extension));
    QCOMPARE(ImageObject::extensionForType(type), extension);

    if (extension == "pdf") {
        const QByteArray bytes = readAll(written);
        QVERIFY(bytes.startsWith("%PDF-"));
        QVERIFY(bytes.trimmed().endsWith("%%EOF"));
        // One page of 240 × 160 points holding the 240 × 160 picture.
        QVERIFY(QRegularExpression(R"(/MediaBox \[\s*0 0 240(\.0*)? 160(\.0*)?\s*\])")
                    .match(QString::fromLatin1(bytes))
                    .hasMatch());
        QVERIFY(bytes.contains("/Width 240") && bytes.contains("/Height 160"));
        return;
    }
    QImage back;
    if (extension == "jp2") {
        // Read back through the processor, and by ImageMagick when it knows JPEG 2000.
        ImageObject reader;
        QVERIFY2(reader.setImagePath(written), qPrintable(reader.errorString()));
        QCOMPARE(reader.saveType(), QString("public.jpeg-2000"));
        back = reader.currentImage();
    } else {
        back = QImage(written);
    }
    QCOMPARE(back.size(), QSize(240, 160));
    const double minimum = extension == "gif" ? 24 : extension == "png" ? 60 : 30;
    QVERIFY2(psnr(back, rendered) > minimum, qPrintable(QString::number(psnr(back, rendered))));
}

void tst_ImageObject::metadataKeptLessOrientation()
{
    requireTools({"convert", "exiftool"});
    const QString file = storedPhoto("meta", quadrants(64, 48), 6);
    QVERIFY(!file.isEmpty());
    QString out;
    QVERIFY2(runImageTool("exiftool",
                          {"-overwrite_original", "-n", "-Artist=Ann Example",
                           "-Copyright=Free to share", "-Make=Plumet Camera", "-ExifImageWidth=48",
                           "-ExifImageHeight=64", "-IPTC:Keywords=harbour",
                           "-XMP-dc:Subject=harbour", "-XResolution=300", "-YResolution=300", file},
                          &out),
             qPrintable(out));
    ImageObject image;
    QVERIFY(image.setImagePath(file));
    QCOMPARE(image.metadata().value("{TIFF}").toMap().value("Artist").toString(),
             QString("Ann Example"));
    image.setScales(true, 32, 0);
    image.setSaveType("public.jpeg");
    const QVariantMap options = image.saveMetaAndOpts();
    QVERIFY(!options.contains("Orientation"));
    QVERIFY(!options.value("{TIFF}").toMap().contains("Orientation"));
    QVERIFY(!options.value("{TIFF}").toMap().contains("XResolution"));
    QVERIFY(!options.value("{Exif}").toMap().contains("PixelXDimension"));
    QCOMPARE(options.value("ColorModel").toString(), QString("RGB"));

    const QString written = image.saveWithFilename("m", m_dir->path());
    QVERIFY(!written.isEmpty());
    const QJsonObject exif = exifOf(written);
    QCOMPARE(exif.value("EXIF:Artist").toString(), QString("Ann Example"));
    QCOMPARE(exif.value("EXIF:Copyright").toString(), QString("Free to share"));
    QCOMPARE(exif.value("EXIF:Make").toString(), QString("Plumet Camera"));
    QVERIFY(exif.value("IPTC:Keywords").toString().contains("harbour"));
    QVERIFY(exif.value("XMP:Subject").toString().contains("harbour"));
    QVERIFY2(!exif.contains("EXIF:Orientation"), qPrintable(QJsonDocument(exif).toJson()));
    QVERIFY(!exif.contains("EXIF:ExifImageWidth"));
    QVERIFY(!exif.contains("EXIF:XResolution"));
    QCOMPARE(exif.value("File:ImageWidth").toInt(), 32);
    QCOMPARE(exif.value("File:ImageHeight").toInt(), 24);

    // The same source as PNG keeps its metadata too.
    image.setSaveType("public.png");
    const QJsonObject png = exifOf(image.saveWithFilename("m", m_dir->path()));
    QCOMPARE(png.value("EXIF:Artist").toString(), QString("Ann Example"));
    QVERIFY(!png.contains("EXIF:Orientation"));
}

void tst_ImageObject::qualityOption()
{
    const QString file = path("q.png");
    QVERIFY(photoLikePicture(400, 300).save(file));
    ImageObject image;
    QVERIFY(image.setImagePath(file));
    image.setSaveType("public.jpeg");
    QVERIFY(!image.saveMetaAndOpts().contains("LossyCompressionQuality"));
    const qint64 standard = QFileInfo(image.saveWithFilename("a", m_dir->path())).size();
    image.setQuality(0.2);
    QCOMPARE(image.saveMetaAndOpts().value("LossyCompressionQuality").toDouble(), 0.2);
    const qint64 low = QFileInfo(image.saveWithFilename("b", m_dir->path())).size();
    image.setQuality(0.98);
    const qint64 high = QFileInfo(image.saveWithFilename("c", m_dir->path())).size();
    QVERIFY(low > 0 && low < standard && standard < high);
    image.setQuality(QVariant());
    QCOMPARE(image.quality(), 0.0);
}

void tst_ImageObject::wideGamutConvertedToSRgb()
{
    requireTools({"exiftool"});
    const QByteArray icc = rgbProfile("Wide Test RGB", widePrimaries);
    QVERIFY(writeAll(path("wide.icc"), icc));
    // A flat colour, as stored in the wide space.
    const QRgb stored = qRgb(40, 170, 90);
    QImage flat(32, 32, QImage::Format_RGB32);
    flat.fill(stored);
    const QString file = path("wide.png");
    QVERIFY(flat.save(file));
    QString out;
    QVERIFY2(runImageTool("exiftool",
                          {"-overwrite_original", "-ICC_Profile<=" + path("wide.icc"), file}, &out),
             qPrintable(out));

    // What that colour is in sRGB, by a conversion of its own.
    cmsHPROFILE from = cmsOpenProfileFromMem(icc.constData(), cmsUInt32Number(icc.size()));
    cmsHPROFILE to = cmsCreate_sRGBProfile();
    cmsHTRANSFORM transform =
        cmsCreateTransform(from, TYPE_RGB_8, to, TYPE_RGB_8, INTENT_PERCEPTUAL, 0);
    const uchar in[3] = {uchar(qRed(stored)), uchar(qGreen(stored)), uchar(qBlue(stored))};
    uchar expected[3] = {0, 0, 0};
    cmsDoTransform(transform, in, expected, 1);
    cmsDeleteTransform(transform);
    cmsCloseProfile(from);
    cmsCloseProfile(to);

    ImageObject image;
    QVERIFY(image.setImagePath(file));
    QCOMPARE(image.metadata().value("ProfileName").toString(), QString("Wide Test RGB"));
    const QImage shown = image.currentImage();
    const QRgb got = shown.pixel(16, 16);
    QVERIFY2(std::abs(qRed(got) - expected[0]) <= 2 && std::abs(qGreen(got) - expected[1]) <= 2 &&
                 std::abs(qBlue(got) - expected[2]) <= 2,
             qPrintable(QString("got %1 %2 %3, expected %4 %5 %6")
                            .arg(qRed(got))
                            .arg(qGreen(got))
                            .arg(qBlue(got))
                            .arg(expected[0])
                            .arg(expected[1])
                            .arg(expected[2])));
    // A real change, not a profile ignored.
    QVERIFY(std::abs(qRed(got) - qRed(stored)) + std::abs(qGreen(got) - qGreen(stored)) > 10);
    QVERIFY(shown.colorSpace() == QColorSpace(QColorSpace::SRgb));
}

void tst_ImageObject::oversizedRefusedWithoutDecoding_data()
{
    QTest::addColumn<QString>("format");
    QTest::newRow("jpeg") << "jpeg";
    QTest::newRow("png") << "png";
}

void tst_ImageObject::oversizedRefusedWithoutDecoding()
{
    QFETCH(QString, format);
    // A small picture whose header claims 20000 × 15000 pixels (300 megapixels).
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(quadrants(16, 16).save(&buffer, format.toLatin1()));
    }
    if (format == "jpeg") {
        const qsizetype sof = bytes.indexOf("\xFF\xC0");
        QVERIFY(sof > 0);
        bytes[sof + 5] = char(15000 >> 8);
        bytes[sof + 6] = char(15000 & 0xFF);
        bytes[sof + 7] = char(20000 >> 8);
        bytes[sof + 8] = char(20000 & 0xFF);
    } else {
        QByteArray ihdr = bytes.mid(12, 17);
        qToBigEndian<quint32>(20000, ihdr.data() + 4);
        qToBigEndian<quint32>(15000, ihdr.data() + 8);
        bytes.replace(12, 17, ihdr);
        const quint32 crc = pngCrc(ihdr);
        QByteArray crcBytes(4, '\0');
        qToBigEndian<quint32>(crc, crcBytes.data());
        bytes.replace(29, 4, crcBytes);
    }
    const QString file = path("huge." + format);
    QVERIFY(writeAll(file, bytes));
    QImageReader probe(file);
    QCOMPARE(probe.size(), QSize(20000, 15000));

    ThreadCpuTimer timer;
    ImageObject image;
    QVERIFY(!image.setImagePath(file));
    // Decoding 300 megapixels would take seconds.
    QVERIFY(timer.elapsed() < 200);
    QVERIFY2(image.errorString().contains("20000 × 15000") &&
                 image.errorString().contains("250 megapixels"),
             qPrintable(image.errorString()));
    QVERIFY(!image.hasImage());
    QCOMPARE(image.imageWidth(), 0);
    QVERIFY(image.saveWithFilename("x", m_dir->path()).isEmpty());
}

void tst_ImageObject::badSourcesRefusedWithReason_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("keep"); // per cent kept of a good file; -1 the bytes given, -2 no file
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    QTest::newRow("empty") << "jpeg" << 0 << QByteArray() << "is empty";
    QTest::newRow("truncated jpeg") << "jpeg" << 60 << QByteArray() << "cut short";
    QTest::newRow("truncated png") << "png" << 60 << QByteArray() << "cut short";
    QTest::newRow("truncated gif") << "gif" << 60 << QByteArray() << "cut short";
    QTest::newRow("text") << "jpeg" << -1 << QByteArray("<html>no picture</html>\n")
                          << "no picture type";
    QTest::newRow("missing") << "jpeg" << -2 << QByteArray() << "does not exist";
}

void tst_ImageObject::badSourcesRefusedWithReason()
{
    QFETCH(QString, format);
    QFETCH(int, keep);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    const QString file = path("bad.jpg");
    if (keep > 0) {
        QString good = path("good." + format);
        if (format == "gif") {
            requireTools({"convert"});
            QVERIFY(photoLikePicture(200, 150).save(path("good.png")));
            QVERIFY(runImageTool("convert", {path("good.png"), good}));
        } else {
            QVERIFY(photoLikePicture(200, 150).save(good, format.toLatin1()));
        }
        const QByteArray whole = readAll(good);
        QVERIFY(whole.size() > 1000);
        bytes = whole.left(whole.size() * keep / 100);
    }
    if (keep != -2)
        QVERIFY(writeAll(file, bytes));
    ImageObject image;
    QVERIFY(!image.setImagePath(file));
    QVERIFY(!image.hasImage());
    QVERIFY2(image.errorString().contains(reason), qPrintable(image.errorString()));
    QVERIFY(image.errorString().contains(file));
    QVERIFY(image.currentImage().isNull());
    QCOMPARE(image.scaledWidth(), 0);
    QVERIFY(image.saveWithFilename("x", m_dir->path()).isEmpty());
    QVERIFY(!QFile::exists(path("x.jpeg")));
}

void tst_ImageObject::typedByContentNotName()
{
    const QString file = path("photo.jpg"); // a PNG whatever its name says
    QVERIFY(photoLikePicture(64, 48).save(file, "png"));
    ImageObject image;
    QVERIFY(image.setImagePath(file));
    QCOMPARE(image.saveType(), QString("public.png"));
    QCOMPARE(image.originalType(), QString("public.png"));
    QVERIFY(!image.utiChanged());
    image.setSaveType("public.jpeg");
    QVERIFY(image.utiChanged());
    QVERIFY(image.saveWithFilename("c", m_dir->path()).endsWith("c.jpeg"));

    // A type of its own that is not written: converted, to JPEG unless told otherwise.
    const QString bmp = path("picture.png");
    QVERIFY(photoLikePicture(64, 48).save(bmp, "bmp"));
    ImageObject other;
    QVERIFY(other.setImagePath(bmp));
    QVERIFY(other.originalType().isEmpty());
    QVERIFY(other.utiChanged());

    // From bytes: JPEG to be written, no type of its own.
    ImageObject bytes;
    QVERIFY(bytes.setImageData(readAll(file)));
    QCOMPARE(bytes.saveType(), QString("public.jpeg"));
    QVERIFY(bytes.utiChanged());
    QCOMPARE(bytes.imageWidth(), 64);
}

void tst_ImageObject::onlyPngInterlaces()
{
    QVERIFY(ImageObject::supportsInterlace("public.png"));
    for (const QString& type : ImageObject::supportedSaveTypes())
        if (type != "public.png")
            QVERIFY2(!ImageObject::supportsInterlace(type), qPrintable(type));
    QCOMPARE(ImageObject::mimeTypeForType("public.jpeg"), QString("image/jpeg"));
    QCOMPARE(ImageObject::mimeTypeForType("com.adobe.pdf"), QString("application/pdf"));
}

void tst_ImageObject::lanczosMatchesVips_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QSize>("source");
    QTest::addColumn<int>("width");
    QTest::newRow("png to a half") << "png" << QSize(1200, 800) << 600;
    QTest::newRow("png to a third") << "png" << QSize(1200, 800) << 400;
    QTest::newRow("png enlarged") << "png" << QSize(300, 200) << 480;
    // Decoded at a quarter by the JPEG decoder, then resampled.
    QTest::newRow("jpeg to an eighth") << "jpeg" << QSize(1600, 1200) << 200;
}

void tst_ImageObject::lanczosMatchesVips()
{
    requireTools({"vips"});
    QFETCH(QString, format);
    QFETCH(QSize, source);
    QFETCH(int, width);
    const QString file = path("photo." + format);
    QVERIFY(photoLikePicture(source.width(), source.height()).save(file, format.toLatin1(), 95));
    const double scale = double(width) / source.width();
    const QString anchor = path("vips.png");
    QString out;
    QVERIFY2(runImageTool(
                 "vips",
                 {"resize", file, anchor, QString::number(scale, 'g', 10), "--kernel", "lanczos3"},
                 &out),
             qPrintable(out));
    ImageObject image;
    QVERIFY(image.setImagePath(file));
    image.setScales(true, width, 0);
    image.setSharpenLuminance(false, 0);
    const QImage ours = image.currentImage();
    QCOMPARE(ours.width(), width);
    const double db = psnr(ours, QImage(anchor));
    qInfo("PSNR against vips: %.1f dB", db);
    QVERIFY2(db >= 35, qPrintable(QString("PSNR %1 dB").arg(db)));
}

QTEST_MAIN(tst_ImageObject)
#include "tst_imageobject.moc"
