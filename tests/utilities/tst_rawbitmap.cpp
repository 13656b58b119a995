#include "MouseLocation.h"
#include "RawBitmap.h"

#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

class tst_RawBitmap : public QObject {
    Q_OBJECT

private slots:
    void fillsRecord_data();
    void fillsRecord();
    void unreadableFileGivesNothing_data();
    void unreadableFileGivesNothing();
    void releaseIsSafeOnEmptyRecord();
    void mouseLocationIsInWindowCoordinates();

private:
    QTemporaryDir dir_;
};

void tst_RawBitmap::fillsRecord_data()
{
    QTest::addColumn<QImage::Format>("format");
    QTest::addColumn<QColor>("color");
    QTest::addColumn<int>("bitsPerPixel");
    QTest::addColumn<bool>("hasAlpha");
    QTest::addColumn<QByteArray>("firstPixel");

    QTest::newRow("rgba") << QImage::Format_ARGB32 << QColor(10, 20, 30, 40) << 32 << true
                          << QByteArray("\x0a\x14\x1e\x28", 4);
    QTest::newRow("rgb") << QImage::Format_RGB32 << QColor(10, 20, 30) << 24 << false
                         << QByteArray("\x0a\x14\x1e", 3);
    QTest::newRow("grey") << QImage::Format_Grayscale8 << QColor(77, 77, 77) << 8 << false
                          << QByteArray("\x4d", 1);
}

// The record describes packed rows that a C caller can walk with bytesPerRow.
void tst_RawBitmap::fillsRecord()
{
    QFETCH(QImage::Format, format);
    QFETCH(QColor, color);
    QFETCH(int, bitsPerPixel);
    QFETCH(bool, hasAlpha);
    QFETCH(QByteArray, firstPixel);

    QImage image(5, 3, format);
    image.fill(color);
    const QString path = dir_.filePath(QStringLiteral("%1.png").arg(QTest::currentDataTag()));
    QVERIFY(image.save(path));

    RVBitmap bitmap{};
    QCOMPARE(getBitmap(path.toUtf8().constData(), &bitmap), 1);
    QCOMPARE(bitmap.pixelsWide, 5);
    QCOMPARE(bitmap.pixelsHigh, 3);
    QCOMPARE(bitmap.bitsPerPixel, bitsPerPixel);
    QCOMPARE(bitmap.bitsPerSample, 8);
    QVERIFY(bitmap.bytesPerRow >= 5 * bitsPerPixel / 8);
    QCOMPARE(bool(bitmap.hasAlpha), hasAlpha);
    const auto* lastRow = bitmap.pixels + 2 * bitmap.bytesPerRow;
    const QByteArray lastPixel(reinterpret_cast<const char*>(lastRow) + 4 * bitsPerPixel / 8,
                               bitsPerPixel / 8);
    QCOMPARE(lastPixel, firstPixel);

    releaseBitmap(&bitmap);
    QVERIFY(!bitmap.owner);
    QVERIFY(!bitmap.pixels);
}

void tst_RawBitmap::unreadableFileGivesNothing_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: no file at all
    QTest::newRow("missing") << QByteArray();
    QTest::newRow("not an image") << QByteArray("plain words");
}

void tst_RawBitmap::unreadableFileGivesNothing()
{
    QFETCH(QByteArray, content);
    const QString path = dir_.filePath(QStringLiteral("bad-%1.png").arg(QTest::currentDataTag()));
    if (!content.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    RVBitmap bitmap{};
    bitmap.pixelsWide = 99;
    QCOMPARE(getBitmap(path.toUtf8().constData(), &bitmap), 0);
    QCOMPARE(bitmap.pixelsWide, 0);
    QVERIFY(!bitmap.owner);
    QCOMPARE(getBitmap(nullptr, &bitmap), 0);
    QCOMPARE(getBitmap(path.toUtf8().constData(), nullptr), 0);
}

void tst_RawBitmap::releaseIsSafeOnEmptyRecord()
{
    RVBitmap empty{};
    releaseBitmap(&empty);
    releaseBitmap(nullptr);
    QVERIFY(!empty.owner);
}

void tst_RawBitmap::mouseLocationIsInWindowCoordinates()
{
    QWindow window;
    window.setGeometry(100, 50, 200, 100);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCursor::setPos(130, 70);
    if (QCursor::pos() != QPoint(130, 70))
        QSKIP("this platform cannot place the cursor");

    RVPoint stored{-1, -1};
    const RVPoint answered = getMouseLocation(&stored);
    const QPoint expected = window.mapFromGlobal(QPoint(130, 70));
    QVERIFY(expected != QPoint(130, 70)); // or the screen would pass for the window
    QCOMPARE(answered.x, double(expected.x()));
    QCOMPARE(answered.y, double(expected.y()));
    QCOMPARE(stored.x, answered.x);
    QCOMPARE(stored.y, answered.y);
}

QTEST_MAIN(tst_RawBitmap)
#include "tst_rawbitmap.moc"
