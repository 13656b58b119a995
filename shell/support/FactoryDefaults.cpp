#include "FactoryDefaults.h"

#include "Color.h"
#include "ConsoleStyle.h"
#include "UserDefaults.h"

namespace FactoryDefaults {

QVariantMap values()
{
    auto color = [](double r, double g, double b, double a) {
        return QVariant::fromValue(rv::Color(r, g, b, a));
    };
    const QFont consoleFont = ConsoleStyle::defaultFont();
    return {
        {QStringLiteral("startup_animation"), true},
        {QStringLiteral("versionCheck"), 1},
        {QStringLiteral("draft_option"), 0},
        {QStringLiteral("remember_open_drafts"), true},
        {QStringLiteral("refresh_option"), false},
        {QStringLiteral("attachment_option"), true},
        // Whether a new file opens the attachment sheet; the expiry switch
        // above is another matter.
        {QStringLiteral("attachment_sheet_on_add"), true},
        {QStringLiteral("remove_attachment_days"), 5},
        {QStringLiteral("autoSave"), 5},
        {QStringLiteral("shouldAutoSave"), true},
        {QStringLiteral("post_date_option"), false},
        {QStringLiteral("listFontSize"), 11},
        {QStringLiteral("find_case"), false},
        {QStringLiteral("find_wrap"), true},
        {QStringLiteral("alpha_draft"), 1.0},
        {QStringLiteral("usesHTMLEditor"), 0},
        {QStringLiteral("fixedRichText"), 0},
        {QStringLiteral("num_entries"), 20},
        {QStringLiteral("keep_old_entries"), 1},
        {QStringLiteral("summary_num"), 2},
        {QStringLiteral("summary_check"), false},
        {QStringLiteral("spell_check"), true},
        {QStringLiteral("console_alpha"), 0.95},
        {QStringLiteral("console_bg_color"), color(0, 0, 0, 1)},
        {QStringLiteral("console_text_color"), color(1, 1, 1, 1)},
        {QStringLiteral("console_html_color"), color(0, 1, 0, 1)},
        {QStringLiteral("console_attr_color"), color(1, 0.45, 0.46, 1)},
        {QStringLiteral("console_brck_color"), color(1, 0.83, 0.43, 1)},
        {QStringLiteral("console_font"), consoleFont.family()},
        {QStringLiteral("console_font_size"), consoleFont.pointSizeF()},
        {QStringLiteral("local_color"), color(0.11, 1.0, 0.42, 0.2)},
        // Clear: a published entry's row shows the list's own base.
        {QStringLiteral("published_color"), color(1, 1, 1, 0)},
        {QStringLiteral("draft_color"), color(0.36, 0.83, 1.0, 0.2)},
        // A red that reads on a light list and on a dark one.
        {QStringLiteral("edited_color"), color(0.9, 0.2, 0.2, 1)},
        {QStringLiteral("deleted_color"), color(1, 0.45, 0.46, 0.2)},
    };
}

void registerAll()
{
    UserDefaults::sharedInstance().registerDefaults(values());
}

} // namespace FactoryDefaults
