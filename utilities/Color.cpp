#include "Color.h"

#include <algorithm>
#include <cmath>

namespace rv {

namespace {

int truncatedByte(double component)
{
    return int(std::trunc(std::clamp(component, 0.0, 1.0) * 255.0));
}

} // namespace

bool Color::isEqualToColor(const Color& other) const
{
    constexpr double tolerance = 0.01;
    return std::abs(red_ - other.red_) < tolerance && std::abs(green_ - other.green_) < tolerance &&
           std::abs(blue_ - other.blue_) < tolerance && std::abs(alpha_ - other.alpha_) < tolerance;
}

QColor Color::toQColor() const
{
    return QColor::fromRgbF(float(red_), float(green_), float(blue_), float(alpha_));
}

Color Color::fromQColor(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return {rgb.redF(), rgb.greenF(), rgb.blueF(), rgb.alphaF()};
}

QString CSSColorSpec(const Color& color)
{
    return QStringLiteral("#%1%2%3")
        .arg(truncatedByte(color.red()), 2, 16, QLatin1Char('0'))
        .arg(truncatedByte(color.green()), 2, 16, QLatin1Char('0'))
        .arg(truncatedByte(color.blue()), 2, 16, QLatin1Char('0'));
}

} // namespace rv
