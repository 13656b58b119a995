#include "MediaCache.h"
#include "MovieAttachment.h"
#include "TestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace plumet::test;

namespace {

const QString Id = QStringLiteral("0f1e2d3c4b5a69788796a5b4c3d2e1f0");
const QString Movie = QStringLiteral("http://blog.example.org/media/boat.mov");
const QString Poster = QStringLiteral("http://blog.example.org/media/boat-poster.mov");
const QString Thumb = QStringLiteral("http://blog.example.org/media/boat.jpg");
const QString Installer = QStringLiteral("http://www.apple.com/qtactivex/qtplugin.cab");
const QString Download = QStringLiteral("http://www.apple.com/quicktime/download/");

QString objectTag(const QString& id, int width, int height)
{
    return QStringLiteral("<object %1classid=\"clsid:02BF25D5-8C17-4B23-BC80-D3488ABDDC6B\" "
                          "width=\"%2\" height=\"%3\" codebase=\"%4\">\n")
        .arg(id)
        .arg(width)
        .arg(height)
        .arg(Installer);
}

QString player(const QString& id, const QString& src, int width, int height, bool autoplay,
               bool controller)
{
    const QString a = autoplay ? "true" : "false", c = controller ? "true" : "false";
    return objectTag(id, width, height) + "\t<param name=\"src\" value=\"" + src + "\" />\n" +
           "\t<param name=\"autoplay\" value=\"" + a + "\" />\n" +
           "\t<param name=\"controller\" value=\"" + c + "\" />\n" + "\t<embed src=\"" + src +
           "\" width=\"" + QString::number(width) + "\" height=\"" + QString::number(height) +
           "\" autoplay=\"" + a + "\" controller=\"" + c + "\" pluginspage=\"" + Download +
           "\">\n\t</embed>\n</object>";
}

QString poster(const QString& id, const QString& src, const QString& href, int width, int height,
               bool autoplay, bool controller)
{
    const QString a = autoplay ? "true" : "false", c = controller ? "true" : "false";
    return objectTag(id, width, height) + "\t<param name=\"src\" value=\"" + src + "\" />\n" +
           "\t<param name=\"autoplay\" value=\"" + a + "\" />\n" +
           "\t<param name=\"controller\" value=\"" + c + "\" />\n" +
           "\t<param name=\"href\" value=\"" + href + "\" />\n" +
           "\t<param name=\"target\" value=\"myself\" />\n" + "\t<embed src=\"" + src +
           "\" width=\"" + QString::number(width) + "\" height=\"" + QString::number(height) +
           "\" href=\"" + href +
           "\" target=\"myself\" autoplay=\"false\" controller=\"false\" pluginspage=\"" +
           Download + "\">\n\t</embed>\n</object>";
}

// The boat movie of 320 × 240, uploaded to its address.
void uploadedBoat(MovieAttachment& movie)
{
    movie.setUniqueID(Id);
    movie.setFilePath(QStringLiteral("/nowhere/boat.mov"));
    movie.setWidth(320);
    movie.setHeight(240);
    movie.setUploadPath(Movie);
}

QString cacheFile(const QString& suffix)
{
    const QString path = MediaCache::folder() + u'/' + MediaCache::newFileName() + suffix;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write("frame");
    return path;
}

bool ffmpeg(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("ffmpeg"),
                  QStringList{"-hide_banner", "-loglevel", "error", "-y", "-nostdin"} + arguments);
    if (!process.waitForFinished(120000) || process.exitCode() != 0) {
        qWarning().noquote() << process.readAllStandardError();
        return false;
    }
    return true;
}

} // namespace

class tst_MovieAttachment : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void markup_data();
    void markup();
    void optionFallsBackWithoutFiles_data();
    void optionFallsBackWithoutFiles();
    void newFromPath();
    void newPosterTimeDropsFiles();
    void timeAsString_data();
    void timeAsString();
    void copyKeepsEverything();
    void realMovie();
    void soundOnly();
    void thumbnailOfARealMovie();
    void notAMovieStaysAPlainFile();

private:
    QTemporaryDir m_movies;
    QString m_movie, m_sound;
};

void tst_MovieAttachment::initTestCase()
{
    QVERIFY(qEnvironmentVariableIsSet("PLUMET_TEST_DATA"));
    QVERIFY(m_movies.isValid());
    m_movie = m_movies.filePath(QStringLiteral("Boat Trip.mov"));
    m_sound = m_movies.filePath(QStringLiteral("waves.m4a"));
    QVERIFY(ffmpeg({"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=2", "-c:v",
                    "libx264", "-pix_fmt", "yuv420p", m_movie}));
    QVERIFY(ffmpeg({"-f", "lavfi", "-i", "sine=frequency=440:duration=1", "-c:a", "aac", m_sound}));
}

void tst_MovieAttachment::markup_data()
{
    QTest::addColumn<QVariantMap>("settings");
    QTest::addColumn<QString>("editor");
    QTest::addColumn<QString>("published");

    const QString id = QStringLiteral("id=\"%1\" ").arg(Id);
    QTest::newRow("player with controller")
        << QVariantMap{{"movieShowController", true}} << player(id, Movie, 320, 256, false, true)
        << player("", Movie, 320, 256, false, true);
    QTest::newRow("player without controller, autoplay")
        << QVariantMap{{"moviePlayAutomatically", 1}} << player(id, Movie, 320, 240, true, false)
        << player("", Movie, 320, 240, true, false);
    QTest::newRow("sound only") << QVariantMap{{"width", 0},
                                               {"height", 0},
                                               {"movieShowController", false}}
                                << player(id, Movie, 240, 16, false, true)
                                << player("", Movie, 240, 16, false, true);
    QTest::newRow("uploaded poster") << QVariantMap{{"movieLinkOption", 1}, {"posterPath", Poster}}
                                     << poster(id, Poster, Movie, 320, 256, false, false)
                                     << poster("", Poster, Movie, 320, 256, false, false);
    QTest::newRow("thumbnail image, alt encoded")
        << QVariantMap{{"movieLinkOption", 2},
                       {"thumbPath", Thumb},
                       {"alt", "Boats & \"sails\" <at sea>"},
                       {"thumbHeight", 100}}
        << "<img src=\"" + Thumb + "\" " + id +
               "width=\"133\" height=\"100\" alt=\"Boats &amp; &quot;sails&quot; &lt;at "
               "sea&gt;\" />"
        << "<img src=\"" + Thumb +
               "\" width=\"133\" height=\"100\" alt=\"Boats &amp; &quot;sails&quot; &lt;at "
               "sea&gt;\" />";
    QTest::newRow("thumbnail image with a style")
        << QVariantMap{{"movieLinkOption", 2}, {"thumbPath", Thumb}, {"floatOption", 2}}
        << "<img src=\"" + Thumb + "\" " + id +
               "width=\"100\" height=\"100\" style=\"float:right;\" />"
        << "<img src=\"" + Thumb + "\" width=\"100\" height=\"100\" style=\"float:right;\" />";
    QTest::newRow("hostile addresses")
        << QVariantMap{{"movieLinkOption", 1},
                       {"uploadPath", "http://x.example/m.mov\"><script>?a=1&b=2"},
                       {"posterPath", "http://x.example/p\" onload=\"x.mov"}}
        << poster(id, "http://x.example/p%22 onload=%22x.mov",
                  "http://x.example/m.mov%22%3E%3Cscript%3E?a=1&b=2", 320, 256, false, false)
        << poster("", "http://x.example/p%22 onload=%22x.mov",
                  "http://x.example/m.mov%22%3E%3Cscript%3E?a=1&b=2", 320, 256, false, false);
    QTest::newRow("nothing to play")
        << QVariantMap{{"uploadPath", ""}} << player(id, "", 320, 240, false, false)
        << player("", "", 320, 240, false, false);
}

void tst_MovieAttachment::markup()
{
    QFETCH(QVariantMap, settings);
    QFETCH(QString, editor);
    QFETCH(QString, published);

    MovieAttachment movie;
    uploadedBoat(movie);
    for (auto it = settings.cbegin(); it != settings.cend(); ++it)
        QVERIFY2(movie.setStoredValue(it.key(), it.value()), qPrintable(it.key()));
    QCOMPARE(movie.generateMarkup(true, nullptr), editor);
    QCOMPARE(movie.generateMarkup(false, nullptr), published);
    QVERIFY(!movie.generateMarkup(false, nullptr).contains(QLatin1String("PUT_ID_HERE")));
}

void tst_MovieAttachment::optionFallsBackWithoutFiles_data()
{
    QTest::addColumn<int>("option");
    QTest::newRow("poster movie") << 1;
    QTest::newRow("thumbnail image") << 2;
}

void tst_MovieAttachment::optionFallsBackWithoutFiles()
{
    QFETCH(int, option);
    MovieAttachment movie;
    uploadedBoat(movie);
    movie.setMovieLinkOption(option);
    QCOMPARE(movie.generateMarkup(false, nullptr), player("", Movie, 320, 240, false, false));
    QCOMPARE(movie.movieLinkOption(), std::nullopt);
}

void tst_MovieAttachment::newFromPath()
{
    MovieAttachment movie;
    movie.initWithPath(QStringLiteral("/nowhere/Boat Trip.mov"));
    QCOMPARE(movie.filePath(), QStringLiteral("/nowhere/Boat Trip.mov")); // never copied
    QCOMPARE(movie.fileName(), QStringLiteral("Boat Trip.mov"));
    QCOMPARE(movie.fileType(), std::optional<int>(Attachment::MovieFile));
    QCOMPARE(movie.thumbQuality(), std::optional<double>(0.9));
    QCOMPARE(movie.thumbHeight(), 100);
    QCOMPARE(movie.thumbSuffix(), QString()); // "-tm" is for pictures
    QCOMPARE(movie.movieLinkOption(), std::optional<int>(MovieAttachment::PosterMovie));
    QCOMPARE(movie.internetType(), QStringLiteral("video/quicktime"));
    QCOMPARE(movie.cachedPath(), movie.filePath());
}

void tst_MovieAttachment::newPosterTimeDropsFiles()
{
    MovieAttachment movie;
    const QString posterFile = cacheFile(QStringLiteral("p.mov"));
    const QString thumbFile = cacheFile(QStringLiteral("t.jpeg"));
    movie.setPosterCachedPath(posterFile);
    movie.setThumbCachedPath(thumbFile);
    QSignalSpy changes(&movie, &ModelRecord::valueChanged);
    movie.setSelectedTime(1200, 600);
    QCOMPARE(movie.timeValue(), std::optional<double>(1200));
    QCOMPARE(movie.timeScale(), std::optional<double>(600));
    QVERIFY(!QFileInfo::exists(posterFile));
    QVERIFY(!QFileInfo::exists(thumbFile));
    QVERIFY(changes.contains(QVariantList{QStringLiteral("markup")}));
    QVERIFY(changes.contains(QVariantList{QStringLiteral("cell")}));

    // The poster movie goes with its attachment too.
    const QString another = cacheFile(QStringLiteral("p.mov"));
    {
        MovieAttachment gone;
        gone.setPosterCachedPath(another);
    }
    QVERIFY(!QFileInfo::exists(another));
}

void tst_MovieAttachment::timeAsString_data()
{
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("3725") << qint64(3725) << "01:02:05";
    QTest::newRow("0") << qint64(0) << "00:00:00";
    QTest::newRow("59") << qint64(59) << "00:00:59";
    QTest::newRow("100 hours") << qint64(360000) << "100:00:00";
}

void tst_MovieAttachment::timeAsString()
{
    QFETCH(qint64, seconds);
    QFETCH(QString, text);
    QCOMPARE(MovieAttachment::timeAsString(seconds), text);
}

void tst_MovieAttachment::copyKeepsEverything()
{
    MovieAttachment movie;
    movie.setUniqueID(Id);
    movie.setWidth(640);
    movie.setHeight(480);
    movie.setUploadPath(Movie);
    movie.setStoredValue(u"movieLinkOption", 1);
    movie.setStoredValue(u"posterPath", Poster);
    movie.setStoredValue(u"moviePlayAutomatically", true);
    movie.setStoredValue(u"timeValue", 30);
    movie.setStoredValue(u"timeScale", 600);
    const auto copy = std::dynamic_pointer_cast<MovieAttachment>(movie.copy());
    QVERIFY(copy);
    QCOMPARE(copy->generateMarkup(true, nullptr), movie.generateMarkup(true, nullptr));
    QCOMPARE(copy->timeValue(), std::optional<double>(30));
    QCOMPARE(copy->timeScale(), std::optional<double>(600));
}

void tst_MovieAttachment::realMovie()
{
    const auto movie =
        std::dynamic_pointer_cast<MovieAttachment>(Attachment::attachmentWithPath(m_movie));
    QVERIFY(movie);
    QCOMPARE(movie->filePath(), m_movie);
    QCOMPARE(movie->width(), 320.0);
    QCOMPARE(movie->height(), 240.0);
    QVERIFY(movie->hasVideoTrack());
    // The thumbnail follows the frame's proportions.
    QCOMPARE(movie->thumbWidth(), 133);
    QCOMPARE(movie->cellImageForSize(76).size(), QSize(100, 76));

    // A poster movie by default, made on demand as "<uniqueID>p.mov" in the cache.
    const QString editor = movie->generateMarkup(true, nullptr);
    const QString posterFile = MediaCache::folder() + u'/' + movie->uniqueID() + "p.mov";
    QVERIFY(QFileInfo(posterFile).size() > 0);
    const QString local = QUrl::fromLocalFile(m_movie).toString(QUrl::FullyEncoded);
    QCOMPARE(editor, poster(QStringLiteral("id=\"%1\" ").arg(movie->uniqueID()),
                            QUrl::fromLocalFile(posterFile).toString(QUrl::FullyEncoded), local,
                            320, 256, false, false));
    QVERIFY(local.contains(QLatin1String("Boat%20Trip.mov")));

    // The movie goes up as itself; its poster movie is a mov too, and never
    // takes the movie's name, which a server that overwrites would replace.
    QCOMPARE(movie->uploadFileName(), QStringLiteral("Boat Trip.mov"));
    movie->setUploadPath(QStringLiteral("http://b.invalid/Boat%20Trip.mov"));
    movie->noteUploadStart();
    QCOMPARE(movie->uploadFileName(), QStringLiteral("Boat Trip-poster.mov"));
    QCOMPARE(movie->uploaderCompanion()->name, QStringLiteral("Boat Trip-poster.mov"));
    // With a prefix of its own it keeps the name it makes.
    movie->setThumbPrefix(QStringLiteral("p_"));
    QCOMPARE(movie->uploadFileName(), QStringLiteral("p_Boat Trip.mov"));
    movie->setThumbPrefix(QString());
    movie->setUploadPath(QString());
    movie->noteUploadStart();

    // A new poster time drops it; the next markup makes it again.
    movie->setSelectedTime(25, 25);
    QVERIFY(!QFileInfo::exists(posterFile));
    movie->generateMarkup(false, nullptr);
    QVERIFY(QFileInfo::exists(posterFile));
}

void tst_MovieAttachment::soundOnly()
{
    MovieAttachment sound;
    sound.initWithPath(m_sound);
    QCOMPARE(sound.width(), 0.0);
    QCOMPARE(sound.height(), 0.0);
    QVERIFY(!sound.hasVideoTrack());
    sound.setMovieShowController(false);
    // No frame to make a poster of: the plain player, with its controller.
    const QString local = QUrl::fromLocalFile(m_sound).toString(QUrl::FullyEncoded);
    QCOMPARE(sound.generateMarkup(false, nullptr), player("", local, 240, 16, false, true));
    QVERIFY(!QFileInfo::exists(MediaCache::folder() + u'/' + sound.uniqueID() + "p.mov"));
    // Nor does a poster follow it to the blog: the sound is all there is to send.
    QCOMPARE(sound.movieLinkOption(), std::optional<int>(MovieAttachment::PosterMovie));
    sound.setUploadPath(QStringLiteral("http://b.invalid/sound.mov"));
    QVERIFY(sound.uploadComplete());
    QVERIFY(!sound.uploaderCompanion());
}

void tst_MovieAttachment::thumbnailOfARealMovie()
{
    MovieAttachment movie;
    movie.initWithPath(m_movie);
    movie.setMovieLinkOption(MovieAttachment::ThumbnailImage);
    movie.setAlt(QStringLiteral("Test <card>"));
    const QString markup = movie.generateMarkup(false, nullptr);
    const QString thumbnail = movie.storedThumbCachedPath();
    QVERIFY2(!thumbnail.isEmpty(), qPrintable(markup));
    // A fresh UUID followed by "t", as a JPEG.
    QVERIFY(QFileInfo(thumbnail).fileName().endsWith(QLatin1String("t.jpeg")));
    QCOMPARE(QFileInfo(thumbnail).path(), MediaCache::folder());
    QCOMPARE(QImage(thumbnail).size(), QSize(132, 98)); // 133 x 99.75, cropped to even sizes
    QCOMPARE(markup, "<img src=\"" + QUrl::fromLocalFile(thumbnail).toString(QUrl::FullyEncoded) +
                         "\" width=\"133\" height=\"100\" alt=\"Test &lt;card&gt;\" />");
    movie.setTimeValue(10);
    QVERIFY(!QFileInfo::exists(thumbnail));
}

void tst_MovieAttachment::notAMovieStaysAPlainFile()
{
    const QString fake = m_movies.filePath(QStringLiteral("notes.mov"));
    QFile file(fake);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("These are notes, not a movie.\n");
    file.close();
    const AttachmentPtr attachment = Attachment::attachmentWithPath(fake);
    QVERIFY(!std::dynamic_pointer_cast<MovieAttachment>(attachment));
}

QTEST_MAIN(tst_MovieAttachment)
#include "tst_movieattachment.moc"
