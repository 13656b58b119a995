#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// Pictures that carry their own colour profile are brought into sRGB, the
// space the web shows them in, so a wide-gamut photo keeps its colours.
namespace ColorConversion {

// `image` (RGB32, ARGB32 or ARGB32 premultiplied) converted from the ICC
// profile `iccProfile` to sRGB and tagged sRGB. A profile that is empty, not
// RGB or unreadable leaves the pixels as they are (tagged sRGB); *error then
// says why when the profile was there but could not be used.
QImage toSRgb(const QImage& image, const QByteArray& iccProfile, QString* error = nullptr);

// Whether the profile is sRGB in all but name (same primaries, white and
// curves), so that converting would change nothing.
bool isSRgb(const QByteArray& iccProfile);

} // namespace ColorConversion
