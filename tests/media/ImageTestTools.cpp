#include "ImageTestTools.h"

#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <algorithm>
#include <cmath>

namespace plumet::test {

QString imageTool(const QString& name)
{
    if (name == QLatin1String("convert") &&
        QFileInfo(QStringLiteral("/usr/bin/convert")).isExecutable())
        return QStringLiteral("/usr/bin/convert");
    return QStandardPaths::findExecutable(name);
}

bool runImageTool(const QString& name, const QStringList& arguments, QString* output,
                  const QByteArray& environment)
{
    const QString program = imageTool(name);
    if (program.isEmpty()) {
        if (output)
            *output = name + QStringLiteral(" is not installed");
        return false;
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (!environment.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        const QList<QByteArray> pair = environment.split('=');
        env.insert(QString::fromUtf8(pair.value(0)), QString::fromUtf8(pair.value(1)));
        process.setProcessEnvironment(env);
    }
    process.start(program, arguments);
    const bool ended = process.waitForFinished(120000);
    if (output)
        *output = QString::fromLocal8Bit(process.readAll());
    return ended && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

double psnr(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    const int w = std::min(x.width(), y.width());
    const int h = std::min(x.height(), y.height());
    if (w <= 0 || h <= 0)
        return 0;
    double sum = 0;
    for (int row = 0; row < h; ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < w; ++col) {
            const double dr = qRed(p[col]) - qRed(q[col]);
            const double dg = qGreen(p[col]) - qGreen(q[col]);
            const double db = qBlue(p[col]) - qBlue(q[col]);
            sum += dr * dr + dg * dg + db * db;
        }
    }
    const double mse = sum / (3.0 * w * h);
    return mse <= 1e-12 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

QImage photoLikePicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    const double cx = width * 0.4, cy = height * 0.55;
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const double u = double(x) / width, v = double(y) / height;
            const double r = std::hypot(x - cx, y - cy);
            // Rings whose period (about 24 pixels) survives a shrink by four.
            const double rings = 0.5 + 0.5 * std::cos(r / 3.8);
            const double disc = 1.0 / (1.0 + std::exp((r - height * 0.25) / 3.0));
            const double red = 255 * (0.2 + 0.6 * u) * (0.6 + 0.4 * rings);
            const double green = 255 * (0.15 + 0.7 * v * (1 - disc) + 0.5 * disc * rings);
            const double blue = 255 * (0.3 + 0.4 * std::sin(3.0 * u + 2.0 * v) * (1 - disc) + 0.2);
            line[x] = qRgb(std::clamp(int(red), 0, 255), std::clamp(int(green), 0, 255),
                           std::clamp(int(blue), 0, 255));
        }
    }
    return image;
}

} // namespace plumet::test
