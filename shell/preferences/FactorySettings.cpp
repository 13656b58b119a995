#include "FactorySettings.h"

#include "Color.h"
#include "UserDefaults.h"

#include <QStringList>

namespace FactorySettings {

namespace {

// In the order they are written. Each takes its registered value but for the
// two below.
const char* const resetKeys[] = {
    "startup_animation",
    "timeout",
    "versionCheck",
    "draft_option",
    "remember_open_drafts",
    "refresh_option",
    "attachment_option",
    "attachment_sheet_on_add",
    "remove_attachment_days",
    "autoSave",
    "shouldAutoSave",
    "post_date_option",
    "listFontSize",
    "alpha_draft",
    "usesHTMLEditor",
    "fixedRichText",
    "summary_num",
    "summary_check",
    "spell_check",
    "num_entries",
    "keep_old_entries",
    "local_color",
    "published_color",
    "draft_color",
    "edited_color",
    "deleted_color",
};

QVariant resetValue(const QString& key, const QVariantMap& registered)
{
    // The animation is turned off, and the time-out (never registered) written out.
    if (key == QLatin1String("startup_animation"))
        return false;
    if (key == QLatin1String("timeout"))
        return 90;
    return registered.value(key);
}

} // namespace

void apply(UserDefaults& defaults, const QVariantMap& registered)
{
    for (const QString& key : keys()) {
        const QVariant value = resetValue(key, registered);
        if (value.metaType() == QMetaType::fromType<rv::Color>())
            defaults.setColor(key, value.value<rv::Color>());
        else if (value.isValid())
            defaults.setValue(key, value);
    }
}

QStringList keys()
{
    QStringList result;
    for (const char* name : resetKeys)
        result << QString::fromLatin1(name);
    return result;
}

} // namespace FactorySettings
