#include "AccountsReordering.h"

#include <algorithm>

namespace AccountsReordering {

QList<Step> moves(QList<int> rows, int target)
{
    std::sort(rows.begin(), rows.end(), std::greater<>());
    QList<Step> steps;
    int offset = 0;
    for (int row : std::as_const(rows)) {
        if (row < target) {
            --target;
            steps.append({row, target});
        } else {
            steps.append({row + offset, target});
            ++offset;
        }
    }
    return steps;
}

int rowsAbove(int row, const QList<int>& rows)
{
    return static_cast<int>(
        std::count_if(rows.cbegin(), rows.cend(), [row](int other) { return other < row; }));
}

} // namespace AccountsReordering
