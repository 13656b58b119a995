#include "ImageExtras.h"

#include <QTest>

using namespace rv;

namespace {

QImage filled(int width, int height, QColor color)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

} // namespace

class tst_ImageExtras : public QObject {
    Q_OBJECT

private slots:
    void alphaImage_data();
    void alphaImage();
    void averageColor();
    void scaling_data();
    void scaling();
    void workOnBitmap_data();
    void workOnBitmap();
    void overlaysTouchOnlyPixels();
    void bestRepresentationDecodes();
};

void tst_ImageExtras::alphaImage_data()
{
    QTest::addColumn<QColor>("pixel");
    QTest::addColumn<double>("threshold");
    QTest::addColumn<bool>("kept");

    QTest::newRow("black kept") << QColor(0, 0, 0) << 0.5 << true;
    QTest::newRow("white dropped") << QColor(255, 255, 255) << 0.5 << false;
    // Luma 126 < 0.5 * 255 - 1 = 126.5, luma 127 is not.
    QTest::newRow("just below limit") << QColor(126, 126, 126) << 0.5 << true;
    QTest::newRow("just above limit") << QColor(127, 127, 127) << 0.5 << false;
    // Green weighs most: 0.587 * 255 = 149.7 rounds to 150.
    QTest::newRow("green by its luma") << QColor(0, 255, 0) << 151.0 / 255 << false;
    QTest::newRow("green below higher threshold") << QColor(0, 255, 0) << 152.0 / 255 << true;
    QTest::newRow("threshold zero drops all") << QColor(0, 0, 0) << 0.0 << false;
    QTest::newRow("translucent kept becomes opaque") << QColor(10, 20, 30, 40) << 1.0 << true;
}

void tst_ImageExtras::alphaImage()
{
    QFETCH(QColor, pixel);
    QFETCH(double, threshold);
    QFETCH(bool, kept);
    const QImage mask = rv::alphaImage(filled(3, 2, pixel), threshold);
    QCOMPARE(mask.size(), QSize(3, 2));
    const QColor out = mask.pixelColor(2, 1);
    if (kept)
        QCOMPARE(out, QColor(pixel.red(), pixel.green(), pixel.blue(), 255));
    else
        QCOMPARE(out.rgba(), QColor(0, 0, 0, 0).rgba());
}

void tst_ImageExtras::averageColor()
{
    QImage image(2, 2, QImage::Format_RGB32);
    image.setPixelColor(0, 0, Qt::red);
    image.setPixelColor(1, 0, Qt::blue);
    image.setPixelColor(0, 1, Qt::red);
    image.setPixelColor(1, 1, Qt::white);
    QVERIFY(rv::averageColor(image).isEqualToColor(Color(0.75, 0.25, 0.5, 0.9)));
    QCOMPARE(rv::averageColor(QImage()).alpha(), 0.9);
}

void tst_ImageExtras::scaling_data()
{
    QTest::addColumn<QSize>("source");
    QTest::addColumn<qreal>("pixelRatio");
    QTest::addColumn<int>("height");
    QTest::addColumn<QSize>("expected"); // empty: null image

    QTest::newRow("landscape") << QSize(200, 100) << 1.0 << 50 << QSize(100, 50);
    QTest::newRow("portrait up") << QSize(30, 90) << 1.0 << 120 << QSize(40, 120);
    QTest::newRow("rounds width") << QSize(100, 30) << 1.0 << 10 << QSize(33, 10);
    QTest::newRow("thin keeps a column") << QSize(1, 500) << 1.0 << 10 << QSize(1, 10);
    QTest::newRow("pixels not points") << QSize(200, 100) << 2.0 << 50 << QSize(100, 50);
    QTest::newRow("zero height") << QSize(200, 100) << 1.0 << 0 << QSize();
    QTest::newRow("null image") << QSize() << 1.0 << 50 << QSize();
}

void tst_ImageExtras::scaling()
{
    QFETCH(QSize, source);
    QFETCH(qreal, pixelRatio);
    QFETCH(int, height);
    QFETCH(QSize, expected);
    QImage image;
    if (source.isValid()) {
        image = filled(source.width(), source.height(), Qt::darkCyan);
        image.setDevicePixelRatio(pixelRatio);
    }
    for (const QImage& scaled :
         {rv::scaledImageWithHeight(image, height), rv::altScaledImageWithHeight(image, height)}) {
        QCOMPARE(scaled.isNull(), expected.isEmpty());
        if (!expected.isEmpty()) {
            QCOMPARE(scaled.size(), expected);
            QCOMPARE(scaled.devicePixelRatio(), 1.0);
            QCOMPARE(scaled.pixelColor(0, 0), QColor(Qt::darkCyan));
        }
    }
}

void tst_ImageExtras::workOnBitmap_data()
{
    QTest::addColumn<QImage::Format>("format");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QSize>("expected"); // empty: null image

    QTest::newRow("any size, aspect not kept")
        << QImage::Format_ARGB32 << QSize(7, 30) << QSize(7, 30);
    QTest::newRow("24-bit") << QImage::Format_RGB888 << QSize(4, 2) << QSize(4, 2);
    QTest::newRow("16-bit refused") << QImage::Format_RGB16 << QSize(4, 2) << QSize();
    QTest::newRow("no width") << QImage::Format_ARGB32 << QSize(0, 2) << QSize();
}

void tst_ImageExtras::workOnBitmap()
{
    QFETCH(QImage::Format, format);
    QFETCH(QSize, size);
    QFETCH(QSize, expected);
    const QImage bitmap = filled(20, 10, Qt::darkCyan).convertToFormat(format);
    const QImage result = rv::workOnBitmap(bitmap, size.height(), size.width());
    QCOMPARE(result.isNull(), expected.isEmpty());
    if (!expected.isEmpty()) {
        QCOMPARE(result.size(), expected);
        QCOMPARE(result.pixelColor(size.width() - 1, size.height() - 1), QColor(Qt::darkCyan));
    }
    QCOMPARE(bitmap.size(), QSize(20, 10));
}

void tst_ImageExtras::overlaysTouchOnlyPixels()
{
    QImage image = filled(2, 1, Qt::transparent);
    image.setPixelColor(0, 0, Qt::black);

    const QImage dimmed = rv::dimmedImage(image);
    QCOMPARE(dimmed.pixelColor(1, 0).alpha(), 0);
    QVERIFY(qAbs(dimmed.pixelColor(0, 0).red() - 84) <= 2); // white at 0.33 over black
    QCOMPARE(dimmed.pixelColor(0, 0).alpha(), 255);

    const QImage tinted = rv::tintedImage(filled(1, 1, Qt::white));
    QVERIFY(qAbs(tinted.pixelColor(0, 0).red() - 171) <= 2); // black at 0.33 over white

    const QImage selected = rv::tintedImageWithColor(filled(1, 1, Qt::black), Qt::red);
    QVERIFY(qAbs(selected.pixelColor(0, 0).red() - 128) <= 2);
    QCOMPARE(selected.pixelColor(0, 0).green(), 0);
    QVERIFY(!rv::tintedImageWithColor(image).isNull());
    QVERIFY(rv::dimmedImage(QImage()).isNull());
}

void tst_ImageExtras::bestRepresentationDecodes()
{
    const QImage image = filled(7, 5, QColor(10, 200, 30));
    QVERIFY(rv::hasAlpha(image));
    QVERIFY(!rv::hasAlpha(image.convertToFormat(QImage::Format_RGB32)));
    const QImage decoded = QImage::fromData(rv::bestRepresentation(image));
    QCOMPARE(decoded.size(), QSize(7, 5));
    QCOMPARE(decoded.pixelColor(3, 3), QColor(10, 200, 30));
}

QTEST_MAIN(tst_ImageExtras)
#include "tst_imageextras.moc"
