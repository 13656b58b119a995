#pragma once

#include <QColor>
#include <QPalette>
#include <QString>

class QWidget;

// Colours worked out from the palette, so that every window reads as well in a
// dark palette as in a light one: a colour the user chose is kept, but a
// see-through one is laid over the palette's own background, and text on it
// turns black or white when the palette's text would not stand out.
namespace PaletteColors {

// The contrast ratio of two opaque colours, 1 (the same) to 21 (black and white).
double contrast(const QColor& a, const QColor& b);
// Whether the palette's window is darker than its text.
bool isDark(const QPalette& palette);

// `color` laid over `ground` by its alpha: an opaque colour.
QColor over(const QColor& color, const QColor& ground);
// `a` moved towards `b` by `amount` (0 keeps `a`, 1 gives `b`), opaque.
QColor mixed(const QColor& a, const QColor& b, double amount);

// The least contrast text must have on its background.
inline constexpr double readableContrast = 4.5;
// `preferred` when it reads on `background`, else black or white, whichever
// reads better.
QColor readableOn(const QColor& background, const QColor& preferred);

// `ink` when it stands out from `ground` by `least`; else the same hue made
// lighter (on a dark ground) or darker (on a light one) until it does. For
// colours that mean something (an edited entry's red): the meaning stays.
QColor readableVariant(const QColor& ink, const QColor& ground, double least = 3.0);

// Gives the widget `color` as its background role (Window or Base), laid
// over what `ground` has there, and the text role that goes with it
// (WindowText, or Text) the ground's text colour, or black or white where
// that would not read. Returns the opaque colour shown.
QColor setBackground(QWidget& widget, QPalette::ColorRole role, const QColor& color,
                     const QPalette& ground);

// A CSS colour ("#rrggbb", or "rgba(r, g, b, a)" when see-through).
QString cssColor(const QColor& color);
// A style sheet giving a page of ours the palette's colours: the page's
// background and text, links, and variables (--plumet-base, --plumet-text,
// --plumet-mid, --plumet-link, --plumet-shade) for the page's own rules.
QString pageStyle(const QPalette& palette);

} // namespace PaletteColors
