#include "CatsListDefaults.h"

#include "UserDefaults.h"

namespace CatsListDefaults {

namespace {

QString key(const char* name)
{
    return QString::fromLatin1(name);
}

UserDefaults& defaults()
{
    return UserDefaults::sharedInstance();
}

constexpr int both = 6901;
constexpr int categoriesOnly = 6902;
constexpr int tagsOnly = 6903;

} // namespace

int kind()
{
    bool ok = false;
    const qint64 stored = defaults().value(key(kindKey)).toLongLong(&ok);
    if (!ok || stored < both || stored > tagsOnly)
        return categoriesOnly;
    return int(stored);
}

void setKind(int kind)
{
    defaults().setValue(key(kindKey), kind);
}

double fontSize()
{
    bool ok = false;
    const double size = defaults().value(key(fontSizeKey)).toDouble(&ok);
    return ok && size >= 6 && size <= 72 ? size : factoryFontSize;
}

CategoryListModel::SortOrder sortOrder()
{
    using SortKey = CategoryListModel::SortKey;
    const QVariant value = defaults().value(key(sortKey));
    const QStringList parts = value.typeId() == QMetaType::QString
                                  ? value.toString().split(QLatin1Char(' '))
                                  : QStringList();
    CategoryListModel::SortOrder order;
    if (parts.size() != 2)
        return order;
    const bool byTitle = parts[0] == QLatin1String("title");
    const bool byTick = parts[0] == QLatin1String("isChecked");
    const bool up = parts[1] == QLatin1String("ascending");
    const bool down = parts[1] == QLatin1String("descending");
    if ((!byTitle && !byTick) || (!up && !down))
        return order;
    return {byTick ? SortKey::Checked : SortKey::Title, up};
}

void setSortOrder(const CategoryListModel::SortOrder& order)
{
    const QString column = order.key == CategoryListModel::SortKey::Checked
                               ? QStringLiteral("isChecked")
                               : QStringLiteral("title");
    const QString direction =
        order.ascending ? QStringLiteral("ascending") : QStringLiteral("descending");
    defaults().setValue(key(sortKey), QString(column + QLatin1Char(' ') + direction));
}

} // namespace CatsListDefaults
