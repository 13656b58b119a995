#include "FileKinds.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray encodedImage(const char* format)
{
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// The start of an MP4 file: an "ftyp" box naming its brand.
QByteArray mp4Header()
{
    return QByteArray("\x00\x00\x00\x18"
                      "ftypmp42\x00\x00\x00\x00mp42isom",
                      24) +
           QByteArray(64, '\0');
}

} // namespace

class tst_FileKinds : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void isImage_data();
    void isImage();
    void isMovie_data();
    void isMovie();
    void pathThatNoFileCanHave();

private:
    QString placeFile(const QString& prefix, const QString& name, const QByteArray& content) const;
    void addFileColumns();
    QTemporaryDir folder_;
};

void tst_FileKinds::initTestCase()
{
    QVERIFY(folder_.isValid());
    QVERIFY(!encodedImage("PNG").isEmpty());
}

void tst_FileKinds::addFileColumns()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // a null array: no file on disk
    QTest::addColumn<bool>("expected");
}

void tst_FileKinds::isImage_data()
{
    addFileColumns();
    const QByteArray png = encodedImage("PNG");
    QTest::newRow("png") << "photo.png" << png << true;
    QTest::newRow("jpeg") << "photo.jpg" << encodedImage("JPEG") << true;
    QTest::newRow("upper-case extension") << "PHOTO.PNG" << png << true;
    QTest::newRow("png without extension") << "photo" << png << true;
    QTest::newRow("missing file by extension") << "later.gif" << QByteArray() << true;
    QTest::newRow("missing file without extension") << "later" << QByteArray() << false;
    QTest::newRow("pdf") << "paper.pdf" << QByteArray("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n") << false;
    QTest::newRow("text") << "notes.txt" << QByteArray("plain words\n") << false;
    QTest::newRow("unknown bytes") << "blob" << QByteArray("\x01\x02\x03\x00\xff", 5) << false;
}

// Writes the row's file under a folder of its own (a null content writes none);
// empty when it could not be written.
QString tst_FileKinds::placeFile(const QString& prefix, const QString& name,
                                 const QByteArray& content) const
{
    const QString path =
        folder_.filePath(prefix + QTest::currentDataTag() + QStringLiteral("/") + name);
    if (content.isNull())
        return path;
    QFile file(path);
    if (!QDir().mkpath(QFileInfo(path).path()) || !file.open(QIODevice::WriteOnly) ||
        file.write(content) != content.size())
        return {};
    return path;
}

void tst_FileKinds::isImage()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(bool, expected);
    const QString path = placeFile(QStringLiteral("image-"), name, content);
    QVERIFY(!path.isEmpty());
    QCOMPARE(cutils::isImage(path), expected);
}

void tst_FileKinds::isMovie_data()
{
    addFileColumns();
    QTest::newRow("mp4") << "clip.mp4" << mp4Header() << true;
    QTest::newRow("upper-case extension") << "CLIP.MP4" << mp4Header() << true;
    QTest::newRow("movie format without signature")
        << "clip.mov" << QByteArray("\x00\x01\x02\x03\xfe\xff", 6) << true;
    QTest::newRow("text named as a movie") << "clip.mov" << QByteArray("just some text\n") << false;
    QTest::newRow("empty file") << "clip.mp4" << QByteArray("") << false;
    QTest::newRow("missing file") << "clip.mp4" << QByteArray() << false;
    QTest::newRow("movie without extension") << "clip" << mp4Header() << false;
    QTest::newRow("pdf") << "paper.pdf" << QByteArray("%PDF-1.4\n") << false;
    QTest::newRow("image") << "photo.png" << encodedImage("PNG") << false;
}

void tst_FileKinds::isMovie()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(bool, expected);
    const QString path = placeFile(QStringLiteral("movie-"), name, content);
    QVERIFY(!path.isEmpty());
    QCOMPARE(cutils::isMovie(path), expected);
}

// A damaged stored record can name a path with NUL characters; the content-type
// database crashed on it.
void tst_FileKinds::pathThatNoFileCanHave()
{
    const QString path =
        QStringLiteral("/pictures/\u00bf") + QString(7, QChar(0)) + QStringLiteral(".png");
    QVERIFY(!cutils::isImage(path));
    QVERIFY(!cutils::isMovie(path + QStringLiteral(".mp4")));
    QVERIFY(cutils::mimeTypeForFile(path).isDefault());
}

QTEST_GUILESS_MAIN(tst_FileKinds)
#include "tst_filekinds.moc"
