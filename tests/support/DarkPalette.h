#pragma once

#include <QAbstractScrollArea>
#include <QApplication>
#include <QLabel>
#include <QPalette>
#include <QStringList>
#include <QWidget>
#include <cmath>

namespace plumet::test {

// A dark palette as a desktop's dark theme gives it: light text on dark
// windows and lists.
inline QPalette darkPalette()
{
    QPalette dark;
    const QColor window(0x2d, 0x2d, 0x30);
    const QColor text(0xe8, 0xe8, 0xe8);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool off = group == QPalette::Disabled;
        dark.setColor(group, QPalette::Window, window);
        dark.setColor(group, QPalette::WindowText, off ? QColor(0x80, 0x80, 0x80) : text);
        dark.setColor(group, QPalette::Base, QColor(0x1e, 0x1e, 0x20));
        dark.setColor(group, QPalette::AlternateBase, QColor(0x26, 0x26, 0x29));
        dark.setColor(group, QPalette::Text, off ? QColor(0x80, 0x80, 0x80) : text);
        dark.setColor(group, QPalette::Button, QColor(0x3a, 0x3a, 0x3e));
        dark.setColor(group, QPalette::ButtonText, off ? QColor(0x80, 0x80, 0x80) : text);
        dark.setColor(group, QPalette::BrightText, Qt::white);
        dark.setColor(group, QPalette::Light, QColor(0x4a, 0x4a, 0x4f));
        dark.setColor(group, QPalette::Midlight, QColor(0x3f, 0x3f, 0x44));
        dark.setColor(group, QPalette::Mid, QColor(0x55, 0x55, 0x5a));
        dark.setColor(group, QPalette::Dark, QColor(0x18, 0x18, 0x1a));
        dark.setColor(group, QPalette::Shadow, Qt::black);
        dark.setColor(group, QPalette::Highlight, QColor(0x2f, 0x65, 0xca));
        dark.setColor(group, QPalette::HighlightedText, Qt::white);
        dark.setColor(group, QPalette::Link, QColor(0x6c, 0xb4, 0xff));
        dark.setColor(group, QPalette::ToolTipBase, QColor(0x3a, 0x3a, 0x3e));
        dark.setColor(group, QPalette::ToolTipText, text);
        dark.setColor(group, QPalette::PlaceholderText, QColor(0x90, 0x90, 0x90));
    }
    return dark;
}

// The application in the dark palette while it lives; the old one after.
class DarkPaletteScope {
public:
    DarkPaletteScope() : m_old(QApplication::palette()) { QApplication::setPalette(darkPalette()); }
    ~DarkPaletteScope() { QApplication::setPalette(m_old); }
    DarkPaletteScope(const DarkPaletteScope&) = delete;
    DarkPaletteScope& operator=(const DarkPaletteScope&) = delete;

private:
    QPalette m_old;
};

namespace detail {

inline double luminance(const QColor& color)
{
    const auto channel = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = color.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) +
           0.0722 * channel(rgb.blueF());
}

inline double contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// What is painted behind `widget`: the Window colour of the nearest widget
// (itself included) that fills its background, or the Base of a list's
// viewport.
inline QColor groundOf(const QWidget* widget)
{
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        if (const auto* area = qobject_cast<const QAbstractScrollArea*>(w->parentWidget());
            area && area->viewport() == w)
            return w->palette().color(QPalette::Base);
        if (w->autoFillBackground() || w->isWindow())
            return w->palette().color(w->backgroundRole());
    }
    return QApplication::palette().color(QPalette::Window);
}

} // namespace detail

// The visible labels of `window` whose text colour does not stand out from
// what is painted behind them (contrast below 3), one line each. What a
// widget paints itself is for its own test to look at.
inline QStringList unreadableTexts(const QWidget* window)
{
    QStringList found;
    const auto look = [&](const QWidget* widget, const QString& text, const QColor& ink,
                          const QColor& ground) {
        if (text.trimmed().isEmpty() || !widget->isVisibleTo(window))
            return;
        const double ratio = detail::contrast(ink, ground);
        if (ratio < 3.0)
            found << QStringLiteral("%1 \"%2\": %3 on %4 (%5)")
                         .arg(widget->metaObject()->className(), text.left(40), ink.name(),
                              ground.name())
                         .arg(ratio, 0, 'f', 2);
    };
    // Rich text takes the label's colour too, but for spans of its own.
    for (const QLabel* label : window->findChildren<QLabel*>()) {
        look(label, label->text(), label->palette().color(label->foregroundRole()),
             detail::groundOf(label));
    }
    return found;
}

} // namespace plumet::test

// Fails the test with the unreadable labels of `window` named.
#define PLUMET_VERIFY_READABLE(window)                                                             \
    do {                                                                                           \
        const QStringList unreadable = plumet::test::unreadableTexts(window);                      \
        QVERIFY2(unreadable.isEmpty(), qPrintable(unreadable.join(QStringLiteral("; "))));         \
    } while (false)
