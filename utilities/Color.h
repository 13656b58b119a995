#pragma once

#include <QColor>
#include <QString>

namespace rv {

// An exact RGBA colour, each component a double in 0..1. It round-trips exactly
// through archives; QColor (16 bits per channel) is only for drawing.
class Color {
public:
    constexpr Color() = default;
    constexpr Color(double red, double green, double blue, double alpha = 1.0)
        : red_(red), green_(green), blue_(blue), alpha_(alpha)
    {
    }

    constexpr double red() const { return red_; }
    constexpr double green() const { return green_; }
    constexpr double blue() const { return blue_; }
    constexpr double alpha() const { return alpha_; }

    friend constexpr bool operator==(const Color&, const Color&) = default;

    // True when every component differs by less than 0.01.
    bool isEqualToColor(const Color& other) const;

    QColor toQColor() const;
    static Color fromQColor(const QColor& color);

private:
    double red_ = 0.0;
    double green_ = 0.0;
    double blue_ = 0.0;
    double alpha_ = 1.0;
};

// "#rrggbb" with each component times 255, truncated (so 0.5 gives "7f"); alpha is ignored.
QString CSSColorSpec(const Color& color);

} // namespace rv
