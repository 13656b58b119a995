#include "MovieFile.h"
#include "PosterMovieWriter.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <cmath>
#include <sys/stat.h>

namespace {

// Runs one of the ffmpeg tools; the standard output, or a null array with the
// reason in *error when it failed.
QByteArray runTool(const QString& tool, const QStringList& arguments, QString* error = nullptr)
{
    QProcess process;
    process.start(tool, QStringList{"-hide_banner", "-loglevel", "error"} + arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        if (error)
            *error = tool + ": " + QString::fromLocal8Bit(process.readAllStandardError());
        return QByteArray();
    }
    const QByteArray out = process.readAllStandardOutput();
    return out.isNull() ? QByteArray("") : out;
}

bool ffmpeg(const QStringList& arguments)
{
    QString error;
    const bool ran = !runTool("ffmpeg", QStringList{"-y", "-nostdin"} + arguments, &error).isNull();
    if (!ran)
        qWarning().noquote() << error;
    return ran;
}

// Peak signal-to-noise ratio of two pictures of one size over R, G and B.
double psnr(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.isNull())
        return 0;
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int column = 0; column < x.width(); ++column) {
            const int dr = qRed(p[column]) - qRed(q[column]);
            const int dg = qGreen(p[column]) - qGreen(q[column]);
            const int db = qBlue(p[column]) - qBlue(q[column]);
            sum += dr * dr + dg * dg + db * db;
        }
    }
    const double mse = sum / (3.0 * x.width() * x.height());
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

// Sets the display matrix of the first track to a quarter turn clockwise, as
// a phone filming upright writes it. Answers false when there is no track
// header to change.
bool turnFirstTrack(const QString& path, int codedHeight)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QByteArray bytes = file.readAll();
    const qsizetype box = bytes.indexOf("tkhd");
    if (box < 4 || bytes.at(box + 4) != 0)
        return false;
    // version and flags, two times, track id, reserved, duration, 8 reserved,
    // layer, group, volume, reserved: then the nine matrix entries.
    const qsizetype matrix = box + 4 + 4 + 4 + 4 + 4 + 4 + 4 + 8 + 8;
    const qint32 turn[9] = {0, 0x10000, 0, -0x10000, 0, 0, codedHeight << 16, 0, 0x40000000};
    for (int i = 0; i < 9; ++i)
        qToBigEndian<qint32>(turn[i], bytes.data() + matrix + 4 * i);
    return file.seek(0) && file.write(bytes) == bytes.size();
}

} // namespace

class TestMovieFile : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void opensAndSizes_data();
    void opensAndSizes();
    void frameMatchesFfmpeg_data();
    void frameMatchesFfmpeg();
    void timePastTheEndGivesTheLastFrame();
    void rotatedFrameIsUpright();
    void widePixelsWidenTheFrame();
    void damagedMovieGivesNoCrash();
    void posterMovieIsOneMpeg4Frame();
    void posterMovieWriteFailsCleanly();

private:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    // What ffmpeg makes of the frame at `seconds`, as our class should.
    QImage ffmpegFrame(const QString& movie, const QString& seconds);

    QTemporaryDir m_dir;
};

void TestMovieFile::initTestCase()
{
    if (QStandardPaths::findExecutable("ffmpeg").isEmpty() ||
        QStandardPaths::findExecutable("ffprobe").isEmpty())
        QFAIL("ffmpeg and ffprobe are needed to make the test movies");
    QVERIFY(m_dir.isValid());
    const QStringList h264{"-c:v", "libx264", "-preset", "veryfast", "-pix_fmt", "yuv420p"};
    // Four seconds at 25 frames, a keyframe each second, B-frames between.
    // The colours turn a fifth of the wheel each frame, so that a neighbour
    // of the right frame is far below the PSNR the right one reaches.
    const QString turning = "testsrc=size=320x240:rate=25:duration=4,hue=h=t*1800";
    QVERIFY(ffmpeg(QStringList{"-f", "lavfi", "-i", turning} + h264 +
                   QStringList{"-g", "25", "-bf", "2", path("small.mp4")}));
    QVERIFY(ffmpeg(QStringList{"-f", "lavfi", "-i", "testsrc=size=1920x1080:rate=25:duration=1"} +
                   h264 + QStringList{path("turned.mp4")}));
    QVERIFY(turnFirstTrack(path("turned.mp4"), 1080));
    QVERIFY(ffmpeg(QStringList{"-f", "lavfi", "-i", "testsrc=size=720x480:rate=25:duration=1",
                               "-vf", "setsar=16/15"} +
                   h264 + QStringList{path("wide.mp4")}));
    QVERIFY(ffmpeg(
        {"-f", "lavfi", "-i", "sine=frequency=440:duration=2", "-c:a", "aac", path("sound.m4a")}));
    QVERIFY(
        ffmpeg({"-f", "lavfi", "-i", "testsrc=size=320x240", "-frames:v", "1", path("still.jpg")}));
    QVERIFY(
        ffmpeg({"-f", "lavfi", "-i", "testsrc=size=320x240", "-frames:v", "1", path("still.png")}));
    // Cover art rides along as a one-picture video stream: still a sound.
    QVERIFY(ffmpeg({"-f", "lavfi", "-i", "sine=frequency=440:duration=2", "-i", path("still.png"),
                    "-map", "0", "-map", "1", "-c:a", "libmp3lame", "-c:v", "copy",
                    "-disposition:v", "attached_pic", path("covered.mp3")}));
    QVERIFY(ffmpeg(QStringList{"-f", "lavfi", "-i", turning} + h264 +
                   QStringList{"-movflags", "+faststart", path("indexfirst.mp4")}));

    // Cut short: the index at the end is lost with the cut; written first, it
    // names frames the file no longer holds.
    const auto cut = [this](const QString& from, const QString& to) {
        QFile source(path(from));
        QFile target(path(to));
        return source.open(QIODevice::ReadOnly) && target.open(QIODevice::WriteOnly) &&
               target.write(source.read(source.size() / 2)) > 0;
    };
    QVERIFY(cut("small.mp4", "cut-indexlast.mp4"));
    QVERIFY(cut("indexfirst.mp4", "cut-indexfirst.mp4"));
    QVERIFY(QFile::copy(path("still.jpg"), path("still-named.mov")));
    QFile text(path("notes.txt"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("Not a movie, just words.\n");
    text.close();
    QFile empty(path("empty.mov"));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.close();
    QCOMPARE(::mkfifo(QFile::encodeName(path("fifo.mov")).constData(), 0600), 0);
}

void TestMovieFile::opensAndSizes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("opens");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("audio");

    QTest::newRow("H.264 320x240") << "small.mp4" << true << QSize(320, 240) << false;
    QTest::newRow("1080p turned a quarter") << "turned.mp4" << true << QSize(1080, 1920) << false;
    QTest::newRow("pixels 16:15 wide") << "wide.mp4" << true << QSize(768, 480) << false;
    QTest::newRow("sound only") << "sound.m4a" << true << QSize(0, 0) << true;
    QTest::newRow("sound with cover art") << "covered.mp3" << true << QSize(0, 0) << true;
    QTest::newRow("cut, index lost") << "cut-indexlast.mp4" << false << QSize(0, 0) << false;
    QTest::newRow("cut, index kept") << "cut-indexfirst.mp4" << true << QSize(320, 240) << false;
    QTest::newRow("JPEG") << "still.jpg" << false << QSize(0, 0) << false;
    QTest::newRow("PNG") << "still.png" << false << QSize(0, 0) << false;
    QTest::newRow("JPEG named .mov") << "still-named.mov" << false << QSize(0, 0) << false;
    QTest::newRow("text") << "notes.txt" << false << QSize(0, 0) << false;
    QTest::newRow("empty") << "empty.mov" << false << QSize(0, 0) << false;
    QTest::newRow("missing") << "missing.mov" << false << QSize(0, 0) << false;
    // Nobody writes to it: opening it must not wait for a writer.
    QTest::newRow("named pipe") << "fifo.mov" << false << QSize(0, 0) << false;
}

void TestMovieFile::opensAndSizes()
{
    QFETCH(QString, name);
    QFETCH(bool, opens);
    QFETCH(QSize, size);
    QFETCH(bool, audio);

    QCOMPARE(MovieFile::canOpen(path(name)), opens);
    MovieFile movie(path(name));
    QCOMPARE(movie.isOpen(), opens);
    QCOMPARE(movie.naturalSize(), size);
    QCOMPARE(movie.hasVideo(), size.height() > 0);
    QCOMPARE(movie.hasAudio(), audio);
    if (!opens)
        QCOMPARE(movie.duration(), qint64(0));
    if (name == "small.mp4")
        QCOMPARE(double(movie.duration()) / double(movie.timeScale()), 4.0);
    if (name == "sound.m4a") {
        QVERIFY(qAbs(double(movie.duration()) / double(movie.timeScale()) - 2.0) < 0.1);
        QVERIFY(movie.frameAt(1, 1).isNull());
        QVERIFY(movie.posterImage().isNull());
    }
}

QImage TestMovieFile::ffmpegFrame(const QString& movie, const QString& seconds)
{
    const QString out = path("ffmpeg-frame.png");
    QFile::remove(out);
    if (!ffmpeg({"-ss", seconds, "-i", movie, "-frames:v", "1", out}))
        return QImage();
    return QImage(out);
}

void TestMovieFile::frameMatchesFfmpeg_data()
{
    QTest::addColumn<qint64>("timeValue");
    QTest::addColumn<qint64>("timeScale");
    QTest::addColumn<QString>("ffmpegSeconds");

    QTest::newRow("start") << qint64(0) << qint64(600) << "0";
    QTest::newRow("on a keyframe") << qint64(2) << qint64(1) << "2";
    QTest::newRow("between keyframes") << qint64(912) << qint64(600) << "1.52";
    // 1.53 s falls inside the frame that starts at 1.52 s.
    QTest::newRow("inside a frame") << qint64(1530) << qint64(1000) << "1.52";
    QTest::newRow("last frame") << qint64(396) << qint64(100) << "3.96";
    QTest::newRow("no time chosen") << qint64(0) << qint64(0) << "0";
}

void TestMovieFile::frameMatchesFfmpeg()
{
    QFETCH(qint64, timeValue);
    QFETCH(qint64, timeScale);
    QFETCH(QString, ffmpegSeconds);

    MovieFile movie(path("small.mp4"));
    const QImage ours = movie.frameAt(timeValue, timeScale);
    QCOMPARE(ours.size(), QSize(320, 240));
    const QImage theirs = ffmpegFrame(path("small.mp4"), ffmpegSeconds);
    QCOMPARE(theirs.size(), QSize(320, 240));
    const double ratio = psnr(ours, theirs);
    if (ratio < 40)
        QFAIL(qPrintable(QStringLiteral("PSNR %1 dB").arg(ratio)));
    // The same file asked again, earlier: a seek back, not only forward.
    QVERIFY(psnr(movie.frameAt(timeValue, timeScale), ours) > 60);
}

void TestMovieFile::timePastTheEndGivesTheLastFrame()
{
    const QImage last = ffmpegFrame(path("small.mp4"), "3.96");
    const QImage first = ffmpegFrame(path("small.mp4"), "0");
    MovieFile movie(path("small.mp4"));
    QVERIFY(psnr(movie.frameAt(100, 1), last) >= 40);
    QVERIFY(psnr(movie.frameAt(std::numeric_limits<qint64>::max(), 1), last) >= 40);
    QVERIFY(psnr(movie.frameAt(1, std::numeric_limits<qint64>::max()), first) >= 40);
    QVERIFY(psnr(movie.frameAt(-5, 1), first) >= 40);
    QVERIFY(psnr(movie.posterImage(), first) >= 40);

    // A file cut short ends where its bytes do: the last frame it still holds.
    MovieFile cut(path("cut-indexfirst.mp4"));
    const QImage end = cut.frameAt(100, 1);
    QCOMPARE(end.size(), QSize(320, 240));
    QVERIFY(psnr(end, last) < 40);
}

void TestMovieFile::rotatedFrameIsUpright()
{
    MovieFile movie(path("turned.mp4"));
    const QImage ours = movie.frameAt(0, 1);
    QCOMPARE(ours.size(), QSize(1080, 1920));
    // ffmpeg turns the picture by the display matrix too.
    const QImage theirs = ffmpegFrame(path("turned.mp4"), "0");
    QCOMPARE(theirs.size(), QSize(1080, 1920));
    QVERIFY(psnr(ours, theirs) >= 40);
}

void TestMovieFile::widePixelsWidenTheFrame()
{
    MovieFile movie(path("wide.mp4"));
    const QImage frame = movie.frameAt(0, 1);
    QCOMPARE(frame.size(), QSize(768, 480));
    const QString out = path("wide.png");
    QVERIFY(ffmpeg({"-i", path("wide.mp4"), "-frames:v", "1", "-vf", "scale=768:480", out}));
    QVERIFY(psnr(frame, QImage(out)) >= 30);
}

void TestMovieFile::damagedMovieGivesNoCrash()
{
    // Garbage over the middle of the pictures, the index left whole.
    QFile source(path("indexfirst.mp4"));
    QVERIFY(source.open(QIODevice::ReadOnly));
    QByteArray bytes = source.readAll();
    for (qsizetype i = bytes.size() / 3; i < bytes.size() * 2 / 3; i += 7)
        bytes[i] = char(i * 131);
    QFile damaged(path("damaged.mp4"));
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write(bytes);
    damaged.close();

    MovieFile movie(path("damaged.mp4"));
    QVERIFY(movie.isOpen());
    QCOMPARE(movie.naturalSize(), QSize(320, 240));
    for (qint64 second : {0, 1, 2, 3, 10}) {
        const QImage frame = movie.frameAt(second, 1);
        QVERIFY(frame.isNull() || frame.size() == QSize(320, 240));
    }
}

void TestMovieFile::posterMovieIsOneMpeg4Frame()
{
    const QImage frame = MovieFile(path("small.mp4")).frameAt(2, 1);
    QVERIFY(!frame.isNull());
    const QString poster = path("posterp.mov");
    QString error;
    QVERIFY2(PosterMovieWriter::write(frame, poster, &error), qPrintable(error));

    const QByteArray probe = runTool(
        "ffprobe", {"-show_streams", "-show_format", "-count_frames", "-of", "json", poster});
    const QJsonObject json = QJsonDocument::fromJson(probe).object();
    const QJsonArray streams = json["streams"].toArray();
    QCOMPARE(streams.size(), 1);
    const QJsonObject stream = streams.first().toObject();
    QCOMPARE(stream["codec_type"].toString(), "video");
    QCOMPARE(stream["codec_name"].toString(), "mpeg4");
    QCOMPARE(stream["codec_tag_string"].toString(), "mp4v");
    QCOMPARE(stream["width"].toInt(), 320);
    QCOMPARE(stream["height"].toInt(), 240);
    QCOMPARE(stream["time_base"].toString(), "1/600");
    QCOMPARE(stream["duration_ts"].toInt(), PosterMovieWriter::FrameDuration);
    QCOMPARE(stream["nb_read_frames"].toString(), "1");
    const QJsonObject format = json["format"].toObject();
    QVERIFY(format["format_name"].toString().split(',').contains("mov"));
    QCOMPARE(format["duration"].toString().toDouble(), 0.05);

    // The movie's own clock: 30 units of 600 a second.
    QFile file(poster);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const qsizetype header = bytes.indexOf("mvhd");
    QVERIFY(header > 0);
    QCOMPARE(qFromBigEndian<quint32>(bytes.constData() + header + 16), quint32(600));
    QCOMPARE(qFromBigEndian<quint32>(bytes.constData() + header + 20), quint32(30));

    // It plays back as the picture it was made from.
    MovieFile back(poster);
    QVERIFY(back.isOpen());
    QCOMPARE(back.naturalSize(), QSize(320, 240));
    QVERIFY(psnr(back.frameAt(0, 1), frame) >= 30);

    // An odd size loses its last column and row, as 4:2:0 needs.
    QVERIFY(PosterMovieWriter::write(frame.copy(0, 0, 241, 181), poster));
    QCOMPARE(MovieFile(poster).naturalSize(), QSize(240, 180));
}

void TestMovieFile::posterMovieWriteFailsCleanly()
{
    const QImage frame = MovieFile(path("small.mp4")).frameAt(1, 1);
    const QString poster = path("kept.mov");
    QVERIFY(PosterMovieWriter::write(frame, poster));
    QFile file(poster);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    struct Case {
        QImage image;
        QString path;
    };
    const Case cases[] = {
        {QImage(), poster},
        {QImage(1, 1, QImage::Format_RGB32), poster},
        {QImage(9000, 16, QImage::Format_RGB32), poster},
        {frame, path("no-such-folder/p.mov")},
    };
    for (const Case& one : cases) {
        QString error;
        QVERIFY(!PosterMovieWriter::write(one.image, one.path, &error));
        QVERIFY(error.contains(one.path));
    }
    // A failed write leaves the previous poster as it was.
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
    QVERIFY(!QFile::exists(path("no-such-folder")));
}

QTEST_GUILESS_MAIN(TestMovieFile)
#include "tst_moviefile.moc"
