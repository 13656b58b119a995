#pragma once

#include <QList>

// Moving a set of rows to a drop position, as the accounts table does when
// accounts are dragged: the rows keep their order and end up as one block
// at the drop position.
namespace AccountsReordering {

// One move: take the row at `from` out, then put it in at `to` (counted after
// taking it out), as QList::move() does.
struct Step {
    int from = 0;
    int to = 0;
    friend bool operator==(const Step&, const Step&) = default;
};

// The moves for `rows` (any order, no repeats) dropped above row `target`
// (the row count to drop at the end). Walks the rows from the largest down:
// a row above the target lowers the target by one and moves from where it
// is; any other row moves from its place shifted by the rows already put in
// above it.
QList<Step> moves(QList<int> rows, int target);

// How many of `rows` lie above `row`.
int rowsAbove(int row, const QList<int>& rows);

// Where the moved block starts after the drop at `target`.
inline int blockStart(const QList<int>& rows, int target)
{
    return target - rowsAbove(target, rows);
}

template <typename T> void apply(QList<T>& list, const QList<Step>& steps)
{
    for (const Step& step : steps)
        list.move(step.from, step.to);
}

} // namespace AccountsReordering
