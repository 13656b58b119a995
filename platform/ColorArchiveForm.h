#pragma once

#include <Color.h>
#include <QString>
#include <QVariantMap>
#include <optional>

// The keys an archived NSColor holds, without its "$class". Written as
// calibrated RGB (colour space 1, "NSRGB" text); read back from the
// calibrated and device RGB and white forms. Catalog colours name a fallback
// colour object, which the unarchiver resolves itself.
class ColorArchiveForm {
public:
    enum ColorSpace {
        CalibratedRGB = 1,
        DeviceRGB = 2,
        CalibratedWhite = 3,
        DeviceWhite = 4,
        DeviceCMYK = 5,
        Catalog = 6,
    };

    static QVariantMap encode(const rv::Color& color);

    // The colour of an RGB or white form; nothing (with the reason in
    // *problem) for other forms or malformed component text.
    static std::optional<rv::Color> decode(const QVariantMap& form, QString* problem = nullptr);

    // The colour space number of a form (a plain or referenced integer has
    // been resolved by the caller), or 0 when the key is missing.
    static int colorSpace(const QVariantMap& form);
};
