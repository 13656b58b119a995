#include "SplitPositions.h"

#include <QStringList>

namespace SplitPositions {

QString format(const Heights& heights, bool bottomCollapsed)
{
    return QStringLiteral("%1 %2")
        .arg(heights.top, 0, 'f', 6)
        .arg(bottomCollapsed ? 0.0 : heights.bottom, 0, 'f', 6);
}

std::optional<Heights> restore(const QString& saved, double total, double divider)
{
    const QStringList parts = saved.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() != 2)
        return std::nullopt;
    bool topOk = false;
    bool bottomOk = false;
    Heights heights{parts[0].toDouble(&topOk), parts[1].toDouble(&bottomOk)};
    if (!topOk || !bottomOk)
        return std::nullopt;
    if (heights.top < 10 || heights.bottom < 0 || heights.top > 1000 || heights.bottom > 1000)
        return std::nullopt;
    if (heights.top + heights.bottom + divider != total)
        heights.top = total - divider - heights.bottom;
    return heights;
}

} // namespace SplitPositions
