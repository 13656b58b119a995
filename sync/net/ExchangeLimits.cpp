#include "ExchangeLimits.h"

#include <algorithm>

using namespace std::chrono_literals;

namespace {

constexpr qint64 mebibyte = 1024 * 1024;
// The slowest upload still allowed to finish.
constexpr qint64 slowestUploadBytesPerSecond = 32 * 1024;
// What the socket buffers between plumet and a server may hold.
constexpr qint64 bufferedBytesAtMost = 8 * mebibyte;

std::chrono::milliseconds timeAtPace(qint64 bytes, qint64 bytesPerSecond)
{
    return std::chrono::milliseconds(std::max<qint64>(0, bytes) * 1000 / bytesPerSecond);
}

} // namespace

ExchangeLimits ExchangeLimits::serverAnswer()
{
    return {64 * mebibyte, 15min, defaultMinimumBytesPerSecond, 60s};
}

ExchangeLimits ExchangeLimits::page()
{
    return {8 * mebibyte, 30s, defaultMinimumBytesPerSecond, 60s};
}

ExchangeLimits ExchangeLimits::feed()
{
    return {2 * mebibyte, 30s, defaultMinimumBytesPerSecond, 60s};
}

std::chrono::milliseconds ExchangeLimits::uploadAllowance(qint64 bytes)
{
    return timeAtPace(bytes, slowestUploadBytesPerSecond);
}

std::chrono::milliseconds ExchangeLimits::bufferedUploadMargin(qint64 bytes, qint64 bytesPerSecond)
{
    // Without a slowest pace, the one a slow uplink is allowed.
    return timeAtPace(std::min(bytes, bufferedBytesAtMost),
                      bytesPerSecond > 0 ? bytesPerSecond : slowestUploadBytesPerSecond);
}
