#include "Benchmark.h"
#include "MovieFile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

// The poster frame of a 1080p movie at 5 s as a 100-pixel JPEG, from opening
// the file to the JPEG on disk, against ffmpeg doing the same with the same
// number of decoding threads.
class BenchPosterFrame : public QObject {
    Q_OBJECT

private slots:
    void posterFrame1080p();
};

namespace {

bool run(const QStringList& arguments, QString* error = nullptr)
{
    QProcess process;
    process.start("ffmpeg",
                  QStringList{"-hide_banner", "-loglevel", "error", "-nostdin", "-y"} + arguments);
    const bool ran = process.waitForFinished(300000) &&
                     process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (!ran && error)
        *error = QString::fromLocal8Bit(process.readAllStandardError());
    return ran;
}

} // namespace

void BenchPosterFrame::posterFrame1080p()
{
    if (QStandardPaths::findExecutable("ffmpeg").isEmpty())
        QFAIL("ffmpeg is needed to make the movie and to measure against");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString movie = dir.filePath("movie.mp4");
    // Ten seconds as a camera or an encoder with its defaults writes them:
    // one keyframe, so the frame at 5 s takes decoding half the movie.
    QString error;
    QVERIFY2(run({"-f", "lavfi", "-i", "testsrc2=size=1920x1080:rate=25:duration=10", "-c:v",
                  "libx264", "-preset", "veryfast", "-pix_fmt", "yuv420p", movie},
                 &error),
             qPrintable(error));

    const QString threads = QString::number(QThread::idealThreadCount());
    const QString theirs = dir.filePath("anchor.jpg");
    const QString ours = dir.filePath("ours.jpg");
    const auto anchor = [&] {
        QFile::remove(theirs);
        QElapsedTimer timer;
        timer.start();
        const bool ran = run({"-threads", threads, "-ss", "5", "-i", movie, "-frames:v", "1", "-vf",
                              "scale=-2:100", theirs});
        const double ms = timer.nsecsElapsed() / 1e6;
        return ran ? ms : -1.0;
    };
    const auto ourRun = [&] {
        QFile::remove(ours);
        return plumet::test::millisecondsOf([&] {
            MovieFile file(movie);
            const QImage frame = file.frameAt(5, 1);
            if (frame.isNull())
                return;
            // ffmpeg's "-2": the height asked, the width to the nearest even number.
            const int width = qMax(2, qRound(frame.width() * 100.0 / frame.height() / 2) * 2);
            QImageWriter writer(ours, "jpeg");
            writer.write(frame.scaled(width, 100, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        });
    };

    // One run each to warm the caches, checked: both make the same picture.
    QVERIFY(anchor() > 0);
    ourRun();
    QCOMPARE(QImageReader(ours).size(), QImageReader(theirs).size());
    QCOMPARE(QImageReader(ours).size(), QSize(178, 100));

    const plumet::test::Comparison comparison = plumet::test::interleaved(9, ourRun, anchor);
    for (const double ms : comparison.anchor.runs)
        QVERIFY(ms > 0);
    QVERIFY(QFile::exists(ours));
    plumet::test::printComparison(
        "poster_frame_1080p",
        QStringLiteral("ffmpeg -threads %1 -ss 5 -i … -frames:v 1 -vf scale=-2:100").arg(threads),
        comparison);
}

QTEST_GUILESS_MAIN(BenchPosterFrame)
#include "bench_posterframe.moc"
