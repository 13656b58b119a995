#include "AddonShortcuts.h"

#include "UserDefaults.h"

namespace AddonShortcuts {

namespace {
const QString Key = QStringLiteral("addon_shortcuts");
}

QMap<QString, QString> read(const UserDefaults& defaults)
{
    const QVariant value = defaults.value(Key);
    QMap<QString, QString> result;
    if (value.metaType().id() != QMetaType::QVariantMap)
        return result;
    const QVariantMap map = value.toMap();
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        if (it.value().metaType().id() == QMetaType::QString)
            result.insert(it.key(), it.value().toString());
    }
    return result;
}

QString shortcutFor(const UserDefaults& defaults, const QString& title)
{
    return read(defaults).value(title, QString(QLatin1String("")));
}

void store(UserDefaults& defaults, const QString& title, const QString& stored)
{
    const QVariant value = defaults.value(Key);
    QVariantMap map =
        value.metaType().id() == QMetaType::QVariantMap ? value.toMap() : QVariantMap();
    map.insert(title, stored.isNull() ? QString(QLatin1String("")) : stored);
    defaults.setValue(Key, map);
}

} // namespace AddonShortcuts
