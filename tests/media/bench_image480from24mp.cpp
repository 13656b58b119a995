#include "Benchmark.h"
#include "ImageObject.h"
#include "ImageTestTools.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <cstdio>

// A 24-megapixel phone photo taken sideways (6000 × 4000 stored, orientation 6)
// becomes an upright 480-pixel-wide JPEG at quality 85 and its 100-pixel-high
// thumbnail, each by its own processor as an image attachment makes them;
// against vipsthumbnail making the same two files with as many threads.
class bench_Image480From24mp : public QObject {
    Q_OBJECT
private slots:
    void image480From24mp();
};

namespace {

// Peak resident memory of this process since the last reset, in MB.
double peakRssMb()
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

// Starts the peak over (Linux 4.0 and later).
bool resetPeakRss()
{
    QFile refs("/proc/self/clear_refs");
    return refs.open(QIODevice::WriteOnly) && refs.write("5") == 1;
}

} // namespace

void bench_Image480From24mp::image480From24mp()
{
    for (const char* tool : {"vipsthumbnail", "exiftool"})
        if (plumet::test::imageTool(tool).isEmpty())
            QSKIP(qPrintable(QString(tool) + " is not installed (scripts/install-deps.sh)"));
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString photo = dir.filePath("IMG_0001.jpg");
    {
        // Detail and a little sensor grain, as a phone photo has.
        QImage picture = plumet::test::photoLikePicture(6000, 4000);
        QRandomGenerator random(20261211);
        for (int y = 0; y < picture.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
            for (int x = 0; x < picture.width(); ++x) {
                const int grain = int(random.bounded(13)) - 6;
                const QRgb p = line[x];
                line[x] = qRgb(qBound(0, qRed(p) + grain, 255), qBound(0, qGreen(p) + grain, 255),
                               qBound(0, qBlue(p) + grain, 255));
            }
        }
        QVERIFY(picture.save(photo, "jpeg", 92));
    }
    QString out;
    QVERIFY2(plumet::test::runImageTool(
                 "exiftool",
                 {"-overwrite_original", "-n", "-Orientation=6", "-Make=Plumet Phone", photo},
                 &out),
             qPrintable(out));

    const int pool = QThreadPool::globalInstance()->maxThreadCount();
    const QByteArray concurrency = "VIPS_CONCURRENCY=" + QByteArray::number(pool);
    const QString folder = dir.filePath("cache");
    QVERIFY(QDir().mkpath(folder));

    const auto ours = [&] {
        QString image, thumb;
        const double ms = plumet::test::millisecondsOf([&] {
            ImageObject full;
            full.setImagePath(photo);
            full.setScales(true, 480, 0);
            full.setSaveType("public.jpeg");
            full.setQuality(0.85);
            image = full.saveWithFilename("Photo", folder);
            ImageObject small;
            small.setImagePath(photo);
            small.setScales(true, 0, 100);
            small.setSaveType("public.jpeg");
            small.setQuality(0.9);
            thumb = small.saveWithFilename("Photo-tm", folder);
        });
        if (QImageReader(image).size() != QSize(480, 720) ||
            QImageReader(thumb).size() != QSize(66, 100))
            qFatal("wrong sizes: %s, %s", qPrintable(image), qPrintable(thumb));
        return ms;
    };
    const auto anchor = [&] {
        bool ok = true;
        const double ms = plumet::test::millisecondsOf([&] {
            ok = plumet::test::runImageTool("vipsthumbnail",
                                            {photo, "-s", "480x", "-o", folder + "/vips.jpg[Q=85]"},
                                            nullptr, concurrency) &&
                 plumet::test::runImageTool(
                     "vipsthumbnail", {photo, "-s", "x100", "-o", folder + "/vips-tm.jpg[Q=90]"},
                     nullptr, concurrency);
        });
        if (!ok || QImageReader(folder + "/vips.jpg").size() != QSize(480, 720))
            qFatal("vipsthumbnail failed");
        return ms;
    };
    // Warm both (and the file cache) once.
    ours();
    anchor();
    std::printf("image_480_from_24mp: 6000 x 4000 JPEG, orientation 6 -> 480 x 720 JPEG q85 and "
                "66 x 100 thumbnail; %d threads each (VIPS_CONCURRENCY=%d)\n",
                pool, pool);
    plumet::test::printComparison(
        "image_480_from_24mp",
        QStringLiteral("vipsthumbnail -s 480x and -s x100, VIPS_CONCURRENCY=%1").arg(pool),
        plumet::test::interleaved(7, ours, anchor));

    if (resetPeakRss()) {
        ours();
        std::printf("image_480_from_24mp: peak RSS of one run %.1f MB (goal < 150 MB)\n",
                    peakRssMb());
    } else {
        std::printf("image_480_from_24mp: peak RSS %.1f MB (since start; includes making the "
                    "photo)\n",
                    peakRssMb());
    }
}

QTEST_GUILESS_MAIN(bench_Image480From24mp)
#include "bench_image480from24mp.moc"
