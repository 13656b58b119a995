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
        : m_red(red), m_green(green), m_blue(blue), m_alpha(alpha)
    {
    }

    constexpr double red() const { return m_red; }
    constexpr double green() const { return m_green; }
    constexpr double blue() const { return m_blue; }
    constexpr double alpha() const { return m_alpha; }

    friend constexpr bool operator==(const Color&, const Color&) = default;

    // True when every component differs by less than 0.01.
    bool isEqualToColor(const Color& other) const;

    QColor toQColor() const;
    static Color fromQColor(const QColor& color);

private:
    double m_red = 0.0;
    double m_green = 0.0;
    double m_blue = 0.0;
    double m_alpha = 1.0;
};

// "#rrggbb" with each component times 255, truncated (so 0.5 gives "7f"); alpha is ignored.
QString CSSColorSpec(const Color& color);

} // namespace rv
