#include "LuminanceSharpener.h"

#include <QColorSpace>
#include <QtConcurrent/QtConcurrentMap>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// A Gaussian of sigma 1, five taps.
constexpr float Kernel[5] = {0.0545f, 0.2442f, 0.4026f, 0.2442f, 0.0545f};

template <typename Fn> void forRows(int count, Fn fn)
{
    std::vector<int> rows(count);
    for (int i = 0; i < count; ++i)
        rows[i] = i;
    QtConcurrent::blockingMap(rows, fn);
}

} // namespace

QImage LuminanceSharpener::sharpened(const QImage& image, double sharpness)
{
    const QImage::Format format = image.format();
    if (image.isNull() || sharpness == 0 ||
        (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
         format != QImage::Format_ARGB32_Premultiplied))
        return image;
    const int w = image.width();
    const int h = image.height();
    const bool premultiplied = format == QImage::Format_ARGB32_Premultiplied;

    std::vector<float> luma(size_t(w) * h);
    forRows(h, [&](int y) {
        const uchar* p = image.constScanLine(y);
        float* out = luma.data() + size_t(y) * w;
        for (int x = 0; x < w; ++x, p += 4)
            out[x] = 0.0722f * p[0] + 0.7152f * p[1] + 0.2126f * p[2];
    });
    std::vector<float> across(size_t(w) * h);
    forRows(h, [&](int y) {
        const float* in = luma.data() + size_t(y) * w;
        float* out = across.data() + size_t(y) * w;
        for (int x = 0; x < w; ++x) {
            float sum = 0;
            for (int k = -2; k <= 2; ++k)
                sum += Kernel[k + 2] * in[std::clamp(x + k, 0, w - 1)];
            out[x] = sum;
        }
    });
    QImage result(image.size(), format);
    if (result.isNull())
        return image;
    const float amount = float(sharpness);
    forRows(h, [&](int y) {
        const uchar* in = image.constScanLine(y);
        uchar* out = result.scanLine(y);
        const float* own = luma.data() + size_t(y) * w;
        for (int x = 0; x < w; ++x) {
            float blurred = 0;
            for (int k = -2; k <= 2; ++k)
                blurred += Kernel[k + 2] * across[size_t(std::clamp(y + k, 0, h - 1)) * w + x];
            const uchar alpha = in[x * 4 + 3];
            // Premultiplied pixels give a premultiplied luma, hence a fitting delta.
            const float delta = amount * (own[x] - blurred);
            const int ceiling = premultiplied ? alpha : 255;
            for (int c = 0; c < 3; ++c)
                out[x * 4 + c] =
                    uchar(std::clamp(int(std::lround(in[x * 4 + c] + delta)), 0, ceiling));
            out[x * 4 + 3] = alpha;
        }
    });
    result.setColorSpace(image.colorSpace());
    return result;
}
