#include "NDResourceFork.h"
#include "TestSupport.h"
#include "WeblocFile.h"

#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

using plumet::test::readTestData;
using plumet::test::testDataPath;

namespace {

constexpr quint32 url = NDResourceFork::typeCode("url ");
const QString springAddress = QStringLiteral("http://www.example.org/notes/2009/04/spring.html");

QByteArray goodCompanion()
{
    return readTestData(QStringLiteral("platform/webloc/appledouble/._Spring notes.webloc"));
}

quint32 u32At(const QByteArray& bytes, qint64 at)
{
    return qFromBigEndian<quint32>(bytes.constData() + at);
}

void putU32(QByteArray& bytes, qint64 at, quint32 value)
{
    qToBigEndian(value, bytes.data() + at);
}

void putU16(QByteArray& bytes, qint64 at, quint16 value)
{
    qToBigEndian(value, bytes.data() + at);
}

// Where the pieces of the companion fixture lie, read from its own headers.
struct Layout {
    qint64 fork = 0;     // the resource fork inside the AppleDouble file
    qint64 data = 0;     // its data section
    qint64 map = 0;      // its map
    qint64 typeList = 0; // the map's type list
};

Layout layoutOf(const QByteArray& companion)
{
    Layout at;
    // The second AppleDouble entry is the fork (the first is the Finder information).
    at.fork = u32At(companion, 26 + 12 + 4);
    at.data = at.fork + u32At(companion, at.fork);
    at.map = at.fork + u32At(companion, at.fork + 4);
    at.typeList = at.map + qFromBigEndian<quint16>(companion.constData() + at.map + 24);
    return at;
}

QString urlIn(const QByteArray& companion)
{
    const auto fork = NDResourceFork::fromAppleDouble(companion);
    return fork ? fork->stringForType(url, 256) : QString();
}

} // namespace

class tst_NDResourceFork : public QObject {
    Q_OBJECT
private slots:
    void readsTheResourcesOfAnAppleDoubleCompanion();
    void weblocAddress_data();
    void weblocAddress();
    void everyTruncationGivesNoAddress();
    void damagedMaps_data();
    void damagedMaps();
    void nonAsciiUrlGivesNothing();
    void specialFilesNeverBlock_data();
    void specialFilesNeverBlock();
};

void tst_NDResourceFork::readsTheResourcesOfAnAppleDoubleCompanion()
{
    const auto fork = NDResourceFork::resourceForkForReadingAtPath(
        testDataPath(QStringLiteral("platform/webloc/appledouble/Spring notes.webloc")));
    QVERIFY(fork);
    QCOMPARE(fork->stringForType(url, 256), springAddress);
    QCOMPARE(fork->stringForType(NDResourceFork::typeCode("TEXT"), 256), springAddress);
    // The drag map: version 1, two entries.
    const QByteArray drag = fork->dataForType(NDResourceFork::typeCode("drag"), 128);
    QCOMPARE(drag.size(), 16 + 2 * 16);
    QCOMPARE(u32At(drag, 0), 1u);
    QVERIFY(fork->dataForType(url, 257).isNull());
    QVERIFY(fork->dataForType(NDResourceFork::typeCode("icns"), 256).isNull());
}

void tst_NDResourceFork::weblocAddress_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("address");
    QTest::newRow("XML property list")
        << "platform/webloc/plist/Spring notes.webloc" << springAddress;
    QTest::newRow("binary property list") << "platform/webloc/plist/Binary notes.webloc"
                                          << "https://example.net/binary";
    QTest::newRow("resource fork in an AppleDouble companion")
        << "platform/webloc/appledouble/Spring notes.webloc" << springAddress;
    QTest::newRow("no such file") << "platform/webloc/plist/Missing.webloc" << QString();
    // The companion itself has no companion, and is no property list.
    QTest::newRow("a file with neither")
        << "platform/webloc/appledouble/._Spring notes.webloc" << QString();
}

void tst_NDResourceFork::weblocAddress()
{
    QFETCH(QString, file);
    QFETCH(QString, address);
    const QString found = WeblocFile::address(testDataPath(file));
    QCOMPARE(found, address);
    QCOMPARE(found.isNull(), address.isNull());
}

void tst_NDResourceFork::everyTruncationGivesNoAddress()
{
    const QByteArray whole = goodCompanion();
    QCOMPARE(urlIn(whole), springAddress);
    // The fork ends the file, so every shorter copy has lost part of it.
    for (qsizetype size = 0; size < whole.size(); ++size) {
        if (!urlIn(whole.left(size)).isNull())
            QFAIL(qPrintable(
                QStringLiteral("a copy cut at %1 bytes still gave an address").arg(size)));
    }

    // The same through a file on disk.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Cut.webloc"));
    QFile data(path);
    QVERIFY(data.open(QIODevice::WriteOnly));
    data.close();
    QFile companion(dir.filePath(QStringLiteral("._Cut.webloc")));
    QVERIFY(companion.open(QIODevice::WriteOnly));
    companion.write(whole.left(whole.size() - 7));
    companion.close();
    QVERIFY(WeblocFile::address(path).isNull());
}

void tst_NDResourceFork::damagedMaps_data()
{
    QTest::addColumn<QByteArray>("bytes");

    const QByteArray good = goodCompanion();
    const Layout at = layoutOf(good);
    auto damaged = [&](auto change) {
        QByteArray bytes = good;
        change(bytes);
        return bytes;
    };

    QTest::newRow("not AppleDouble") << damaged([](QByteArray& b) { putU32(b, 0, 0x12345678); });
    QTest::newRow("entry count past the end")
        << damaged([](QByteArray& b) { putU16(b, 24, 0xFFFF); });
    QTest::newRow("fork entry offset past the end")
        << damaged([](QByteArray& b) { putU32(b, 26 + 12 + 4, 0x7FFFFFF0); });
    QTest::newRow("fork entry length past the end")
        << damaged([](QByteArray& b) { putU32(b, 26 + 12 + 8, 0xFFFFFFFF); });
    QTest::newRow("data section past the fork")
        << damaged([&](QByteArray& b) { putU32(b, at.fork + 8, 0xFFFFFF00); });
    QTest::newRow("map offset past the fork")
        << damaged([&](QByteArray& b) { putU32(b, at.fork + 4, 0x00FFFFFF); });
    QTest::newRow("map length past the fork")
        << damaged([&](QByteArray& b) { putU32(b, at.fork + 12, 0x10000); });
    QTest::newRow("type list past the map")
        << damaged([&](QByteArray& b) { putU16(b, at.map + 24, 0xFFF0); });
    QTest::newRow("type count past the map")
        << damaged([&](QByteArray& b) { putU16(b, at.typeList, 0xFFFE); });
    // Type entries start at typeList + 2; 'url ' is the second of three.
    QTest::newRow("reference count past the map")
        << damaged([&](QByteArray& b) { putU16(b, at.typeList + 2 + 8 + 4, 0xFFFF); });
    QTest::newRow("reference list past the map")
        << damaged([&](QByteArray& b) { putU16(b, at.typeList + 2 + 8 + 6, 0xFFF0); });
    // The 'url ' reference is the second of the list, 12 bytes each.
    const qint64 urlRef =
        at.typeList + qFromBigEndian<quint16>(good.constData() + at.typeList + 2 + 8 + 6);
    QTest::newRow("resource offset past the data")
        << damaged([&](QByteArray& b) { b[urlRef + 5] = char(0x7F); });
    QTest::newRow("resource length past the data") << damaged([&](QByteArray& b) {
        const qint64 offset = (quint8(b[urlRef + 6]) << 8) | quint8(b[urlRef + 7]);
        putU32(b, at.data + offset, 0xFFFFFFF0);
    });
    QTest::newRow("resource length one too long") << damaged([&](QByteArray& b) {
        const qint64 offset = (quint8(b[urlRef + 6]) << 8) | quint8(b[urlRef + 7]);
        // The data section ends with the drag map, so make the url
        // resource's length reach one byte past the whole section.
        const quint32 sectionLength = u32At(b, at.fork + 8);
        putU32(b, at.data + offset, sectionLength - quint32(offset) - 4 + 1);
    });
}

void tst_NDResourceFork::damagedMaps()
{
    QFETCH(QByteArray, bytes);
    QVERIFY(urlIn(bytes).isNull());
}

void tst_NDResourceFork::nonAsciiUrlGivesNothing()
{
    QByteArray bytes = goodCompanion();
    const qint64 at = bytes.indexOf("spring.html", bytes.indexOf("spring.html") + 1);
    QVERIFY(at > 0);
    const auto fork = NDResourceFork::fromAppleDouble(bytes);
    QVERIFY(fork);
    // Both resources hold the address; spoil the second copy, the 'url ' one.
    bytes[at] = char(0xE9);
    const auto spoilt = NDResourceFork::fromAppleDouble(bytes);
    QVERIFY(spoilt);
    QVERIFY(spoilt->stringForType(url, 256).isNull());
    QVERIFY(!spoilt->dataForType(url, 256).isNull());
    QCOMPARE(spoilt->stringForType(NDResourceFork::typeCode("TEXT"), 256), springAddress);
}

void tst_NDResourceFork::specialFilesNeverBlock_data()
{
    QTest::addColumn<bool>("dataIsFifo");
    QTest::addColumn<bool>("companionIsFifo");
    QTest::addColumn<QString>("address");
    QTest::newRow("companion is a FIFO") << false << true << QString();
    // The companion alone still gives the address.
    QTest::newRow("file is a FIFO") << true << false << springAddress;
    QTest::newRow("both are FIFOs") << true << true << QString();
}

// A folder unpacked from an archive may hold named pipes; opening one for
// reading waits for a writer that never comes.
void tst_NDResourceFork::specialFilesNeverBlock()
{
    QFETCH(bool, dataIsFifo);
    QFETCH(bool, companionIsFifo);
    QFETCH(QString, address);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Piped.webloc"));
    const QString companion = dir.filePath(QStringLiteral("._Piped.webloc"));
    QStringList fifos;
    for (const auto& [isFifo, file] : {std::pair{dataIsFifo, path}, {companionIsFifo, companion}}) {
        if (isFifo) {
            QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
            fifos << file;
        } else {
            QFile plain(file);
            QVERIFY(plain.open(QIODevice::WriteOnly));
            if (file == companion)
                plain.write(goodCompanion());
        }
    }

    auto reading = std::async(std::launch::async, [path] { return WeblocFile::address(path); });
    const bool ended = reading.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    if (!ended) {
        // Let the stuck reader go before failing.
        for (const QString& fifo : fifos)
            ::close(::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK));
    }
    QVERIFY2(ended, "reading a named pipe blocked");
    QCOMPARE(reading.get(), address);
}

QTEST_GUILESS_MAIN(tst_NDResourceFork)
#include "tst_ndresourcefork.moc"
