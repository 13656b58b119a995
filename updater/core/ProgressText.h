#pragma once

#include <QString>

// The second line of the updater's window while it downloads, e.g.
// "5.0Mb of 10.0Mb (100Kb/s) — 51 seconds left".
namespace ProgressText {

// `fileLength` 0 stands for an unknown length ("?Mb"); `rate` is in bytes per
// second and `estimate` in seconds, each left out when not above 0.
QString subStatus(qint64 bytesReceived, qint64 fileLength, double rate, double estimate);

} // namespace ProgressText
