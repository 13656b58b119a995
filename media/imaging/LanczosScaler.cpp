#include "LanczosScaler.h"

#include <QColorSpace>
#include <QtConcurrent/QtConcurrentMap>
#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

namespace {

constexpr double Lobes = 3.0;

double sinc(double x)
{
    if (std::abs(x) < 1e-9)
        return 1.0;
    const double px = M_PI * x;
    return std::sin(px) / px;
}

double lanczos3(double x)
{
    return std::abs(x) < Lobes ? sinc(x) * sinc(x / Lobes) : 0.0;
}

// For every output position the first input index and the weights of the taps
// from it on (indices clamped to the picture, so edges repeat).
struct Taps {
    int count = 0;             // taps per output position
    std::vector<int> index;    // outputLength × count input indices
    std::vector<float> weight; // outputLength × count weights, each row summing to 1
};

Taps makeTaps(int inputLength, int outputLength, double scale)
{
    Taps taps;
    // Shrinking widens the kernel by the shrink factor, so that every input
    // pixel counts; enlarging keeps it at three lobes.
    const double stretch = std::max(1.0, 1.0 / scale);
    const double support = Lobes * stretch;
    taps.count = int(std::ceil(support)) * 2 + 1;
    taps.index.resize(size_t(outputLength) * taps.count);
    taps.weight.resize(size_t(outputLength) * taps.count);
    for (int out = 0; out < outputLength; ++out) {
        const double centre = (out + 0.5) / scale - 0.5;
        const int first = int(std::floor(centre - support)) + 1;
        double sum = 0;
        for (int k = 0; k < taps.count; ++k) {
            const double w = lanczos3((first + k - centre) / stretch);
            taps.weight[size_t(out) * taps.count + k] = float(w);
            taps.index[size_t(out) * taps.count + k] = std::clamp(first + k, 0, inputLength - 1);
            sum += w;
        }
        if (sum != 0)
            for (int k = 0; k < taps.count; ++k)
                taps.weight[size_t(out) * taps.count + k] /= float(sum);
    }
    return taps;
}

// Runs fn(first, last) over [0, count) in blocks on the global pool.
template <typename Fn> void forBlocks(int count, Fn fn)
{
    constexpr int RowsPerBlock = 16;
    std::vector<int> starts;
    for (int i = 0; i < count; i += RowsPerBlock)
        starts.push_back(i);
    if (starts.size() <= 1) {
        fn(0, count);
        return;
    }
    QtConcurrent::blockingMap(starts,
                              [&](int start) { fn(start, std::min(count, start + RowsPerBlock)); });
}

inline uchar toByte(float v)
{
    return uchar(std::clamp(int(std::lround(v)), 0, 255));
}

} // namespace

QImage LanczosScaler::scaled(const QImage& source, double scaleX, double scaleY, QSize outputSize)
{
    if (source.isNull() || outputSize.isEmpty() || scaleX <= 0 || scaleY <= 0)
        return {};
    const QImage::Format format = source.format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
        format != QImage::Format_ARGB32_Premultiplied)
        return {};
    const int inW = source.width();
    const int inH = source.height();
    const int outW = outputSize.width();
    const int outH = outputSize.height();

    const Taps horizontal = makeTaps(inW, outW, scaleX);
    const Taps vertical = makeTaps(inH, outH, scaleY);

    // Only the input rows some output row reads are resampled across.
    const int firstRow = *std::min_element(vertical.index.begin(), vertical.index.end());
    const int lastRow = *std::max_element(vertical.index.begin(), vertical.index.end());
    const int rows = lastRow - firstRow + 1;

    // Across first: the rows shrink to the output width, in floats.
    std::vector<float> across(size_t(rows) * outW * 4);
    forBlocks(rows, [&](int from, int to) {
        for (int r = from; r < to; ++r) {
            const uchar* in = source.constScanLine(firstRow + r);
            float* out = across.data() + size_t(r) * outW * 4;
            for (int x = 0; x < outW; ++x) {
                const int* idx = horizontal.index.data() + size_t(x) * horizontal.count;
                const float* w = horizontal.weight.data() + size_t(x) * horizontal.count;
                float c0 = 0, c1 = 0, c2 = 0, c3 = 0;
                for (int k = 0; k < horizontal.count; ++k) {
                    const uchar* p = in + idx[k] * 4;
                    c0 += w[k] * p[0];
                    c1 += w[k] * p[1];
                    c2 += w[k] * p[2];
                    c3 += w[k] * p[3];
                }
                out[x * 4 + 0] = c0;
                out[x * 4 + 1] = c1;
                out[x * 4 + 2] = c2;
                out[x * 4 + 3] = c3;
            }
        }
    });

    // Then down, straight into the output.
    QImage result(outW, outH, format);
    if (result.isNull())
        return {};
    const bool premultiplied = format == QImage::Format_ARGB32_Premultiplied;
    const bool opaque = format == QImage::Format_RGB32;
    forBlocks(outH, [&](int from, int to) {
        std::vector<float> line(size_t(outW) * 4);
        for (int y = from; y < to; ++y) {
            std::fill(line.begin(), line.end(), 0.0f);
            const int* idx = vertical.index.data() + size_t(y) * vertical.count;
            const float* w = vertical.weight.data() + size_t(y) * vertical.count;
            for (int k = 0; k < vertical.count; ++k) {
                const float* in = across.data() + size_t(idx[k] - firstRow) * outW * 4;
                const float wk = w[k];
                for (int i = 0; i < outW * 4; ++i)
                    line[i] += wk * in[i];
            }
            uchar* out = result.scanLine(y);
            for (int x = 0; x < outW; ++x) {
                const float* p = line.data() + x * 4;
                const uchar alpha = opaque ? 255 : toByte(p[3]);
                out[x * 4 + 3] = alpha;
                for (int c = 0; c < 3; ++c) {
                    uchar v = toByte(p[c]);
                    // Ringing must not push a colour past its alpha.
                    if (premultiplied && v > alpha)
                        v = alpha;
                    out[x * 4 + c] = v;
                }
            }
        }
    });
    result.setColorSpace(source.colorSpace());
    return result;
}
