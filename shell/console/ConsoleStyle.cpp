#include "ConsoleStyle.h"

#include "UserDefaults.h"

#include <QFontDatabase>

QFont ConsoleStyle::defaultFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(9.0);
    return font;
}

ConsoleStyle ConsoleStyle::fromDefaults()
{
    const UserDefaults& defaults = UserDefaults::sharedInstance();
    ConsoleStyle style;
    style.background = defaults.color(QStringLiteral("console_bg_color"), {0, 0, 0, 1}).toQColor();
    style.text = defaults.color(QStringLiteral("console_text_color"), {1, 1, 1, 1}).toQColor();
    style.code = defaults.color(QStringLiteral("console_html_color"), {0, 1, 0, 1}).toQColor();
    style.attribute =
        defaults.color(QStringLiteral("console_attr_color"), {1, 0.45, 0.46, 1}).toQColor();
    style.bracket =
        defaults.color(QStringLiteral("console_brck_color"), {1, 0.83, 0.43, 1}).toQColor();
    const QVariant alpha = defaults.value(QStringLiteral("console_alpha"));
    style.opacity = alpha.isValid() ? std::clamp(alpha.toDouble(), 0.1, 1.0) : 0.95;

    style.font = defaultFont();
    const QString family = defaults.string(QStringLiteral("console_font"));
    const double size = defaults.real(QStringLiteral("console_font_size"));
    if (!family.isEmpty())
        style.font.setFamily(family);
    if (size >= 1.0)
        style.font.setPointSize(static_cast<int>(size)); // whole points, as the font panel shows
    style.font.setStyleHint(QFont::Monospace);
    return style;
}

QTextCharFormat ConsoleStyle::format(ConsoleRole role) const
{
    QTextCharFormat format;
    switch (role) {
    case ConsoleRole::Text:
        format.setForeground(text);
        break;
    case ConsoleRole::Code:
        format.setForeground(code);
        break;
    case ConsoleRole::Attribute:
        format.setForeground(attribute);
        break;
    case ConsoleRole::Bracket:
        format.setForeground(bracket);
        break;
    }
    return format;
}
