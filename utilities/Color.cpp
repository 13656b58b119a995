#include "Color.h"

#include <algorithm>
#include <cmath>

namespace rv {

namespace {

// A component that is no number (a damaged archive) counts as 0.
int truncatedByte(double component)
{
    if (std::isnan(component))
        return 0;
    return int(std::trunc(std::clamp(component, 0.0, 1.0) * 255.0));
}

} // namespace

bool Color::isEqualToColor(const Color& other) const
{
    constexpr double tolerance = 0.01;
    return std::abs(m_red - other.m_red) < tolerance &&
           std::abs(m_green - other.m_green) < tolerance &&
           std::abs(m_blue - other.m_blue) < tolerance &&
           std::abs(m_alpha - other.m_alpha) < tolerance;
}

QColor Color::toQColor() const
{
    return QColor::fromRgbF(float(m_red), float(m_green), float(m_blue), float(m_alpha));
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
