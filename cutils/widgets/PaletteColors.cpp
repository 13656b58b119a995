#include "PaletteColors.h"

#include <QWidget>
#include <algorithm>
#include <cmath>

namespace PaletteColors {

namespace {

double channel(double value)
{
    return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) +
           0.0722 * channel(rgb.blueF());
}

} // namespace

double contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

bool isDark(const QPalette& palette)
{
    return luminance(palette.color(QPalette::Window)) <
           luminance(palette.color(QPalette::WindowText));
}

QColor over(const QColor& color, const QColor& ground)
{
    const QColor top = color.toRgb();
    const QColor below = ground.toRgb();
    const double a = top.alphaF();
    return QColor::fromRgbF(float(top.redF() * a + below.redF() * (1 - a)),
                            float(top.greenF() * a + below.greenF() * (1 - a)),
                            float(top.blueF() * a + below.blueF() * (1 - a)), 1.0f);
}

QColor mixed(const QColor& a, const QColor& b, double amount)
{
    QColor towards = b.toRgb();
    towards.setAlphaF(float(std::clamp(amount, 0.0, 1.0)));
    QColor from = a.toRgb();
    from.setAlphaF(1.0f);
    return over(towards, from);
}

QColor readableOn(const QColor& background, const QColor& preferred)
{
    if (contrast(background, preferred) >= readableContrast)
        return preferred;
    const QColor black(Qt::black);
    const QColor white(Qt::white);
    return contrast(background, black) >= contrast(background, white) ? black : white;
}

QColor readableVariant(const QColor& ink, const QColor& ground, double least)
{
    QColor opaque = ink.toRgb();
    opaque.setAlphaF(1.0f);
    if (contrast(opaque, ground) >= least)
        return opaque;
    const bool lighter = luminance(ground) < 0.18;
    float h, s, l, a;
    opaque.getHslF(&h, &s, &l, &a);
    for (int step = 1; step <= 20; ++step) {
        const float shifted = std::clamp(l + (lighter ? 0.05f : -0.05f) * step, 0.0f, 1.0f);
        const QColor candidate = QColor::fromHslF(h, s, shifted, 1.0f).toRgb();
        if (contrast(candidate, ground) >= least)
            return candidate;
    }
    return readableOn(ground, opaque);
}

QColor setBackground(QWidget& widget, QPalette::ColorRole role, const QColor& color,
                     const QPalette& ground)
{
    const QPalette::ColorRole textRole =
        role == QPalette::Base ? QPalette::Text : QPalette::WindowText;
    QPalette colors = widget.palette();
    QColor shown;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const QColor background = over(color, ground.color(group, role));
        if (group == QPalette::Active)
            shown = background;
        colors.setColor(group, role, background);
        colors.setColor(group, textRole, readableOn(background, ground.color(group, textRole)));
    }
    widget.setPalette(colors);
    return shown;
}

QString cssColor(const QColor& color)
{
    const QColor rgb = color.toRgb();
    if (rgb.alpha() == 255)
        return rgb.name(QColor::HexRgb);
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(rgb.red())
        .arg(rgb.green())
        .arg(rgb.blue())
        .arg(rgb.alphaF(), 0, 'f', 3);
}

QString pageStyle(const QPalette& palette)
{
    const QColor base = palette.color(QPalette::Base);
    const QColor text = palette.color(QPalette::Text);
    const QColor link = readableOn(base, palette.color(QPalette::Link));
    // A faint wash of the text colour, for boxes and rules on the page.
    QColor shade = text;
    shade.setAlphaF(0.12f);
    return QStringLiteral(":root { color-scheme: %1; --plumet-base: %2; --plumet-text: %3; "
                          "--plumet-mid: %4; --plumet-link: %5; --plumet-shade: %6; }\n"
                          "html { background: %2; color: %3; }\n"
                          "a { color: %5; }\n")
        .arg(isDark(palette) ? QStringLiteral("dark") : QStringLiteral("light"), cssColor(base),
             cssColor(text), cssColor(mixed(text, base, 0.35)), cssColor(link), cssColor(shade));
}

} // namespace PaletteColors
