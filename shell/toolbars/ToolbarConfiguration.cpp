#include "ToolbarConfiguration.h"

#include "ToolbarItem.h"
#include "UserDefaults.h"

#include <QSet>

namespace {

const auto itemsKey = QStringLiteral("items");
const auto styleKey = QStringLiteral("display");
const auto visibleKey = QStringLiteral("visible");

struct StyleName {
    Qt::ToolButtonStyle style;
    const char* name;
};
constexpr StyleName styleNames[] = {
    {Qt::ToolButtonTextUnderIcon, "iconAndText"},
    {Qt::ToolButtonIconOnly, "iconOnly"},
    {Qt::ToolButtonTextOnly, "textOnly"},
};

} // namespace

std::optional<ToolbarConfiguration> ToolbarConfiguration::load(const UserDefaults& defaults,
                                                               const QString& toolbar)
{
    const QVariant stored = defaults.value(toolbar);
    if (stored.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariantMap map = stored.toMap();
    const QVariant items = map.value(itemsKey);
    if (items.typeId() != QMetaType::QVariantList && items.typeId() != QMetaType::QStringList)
        return std::nullopt;
    ToolbarConfiguration configuration;
    for (const QVariant& item : items.toList())
        if (item.typeId() == QMetaType::QString)
            configuration.items.append(item.toString());
    const QString style = map.value(styleKey).toString();
    for (const StyleName& known : styleNames)
        if (style == QLatin1String(known.name))
            configuration.style = known.style;
    // Booleans may come back from the file as text.
    const QVariant visible = map.value(visibleKey);
    configuration.visible = !visible.isValid() || visible.toString() != QLatin1String("false");
    return configuration;
}

void ToolbarConfiguration::save(UserDefaults& defaults, const QString& toolbar) const
{
    QString styleName = QLatin1String(styleNames[0].name);
    for (const StyleName& known : styleNames)
        if (style == known.style)
            styleName = QLatin1String(known.name);
    defaults.setValue(
        toolbar,
        QVariantMap{{itemsKey, QVariant(items)}, {styleKey, styleName}, {visibleKey, visible}});
}

QStringList ToolbarConfiguration::usableItems(const QStringList& wanted, const QStringList& allowed)
{
    QStringList usable;
    QSet<QString> placed;
    for (const QString& identifier : wanted) {
        if (!allowed.contains(identifier))
            continue;
        if (!ToolbarIdentifiers::isRepeatable(identifier)) {
            if (placed.contains(identifier))
                continue;
            placed.insert(identifier);
        }
        usable.append(identifier);
    }
    return usable;
}
