#include "CaretSnapping.h"

namespace CaretSnapping {

namespace {

// The run that `position` (a place between characters) lies strictly inside.
std::optional<Range> runAround(qsizetype position, qsizetype textLength, const RunAt& runAt)
{
    if (position <= 0 || position >= textLength)
        return std::nullopt;
    const std::optional<Range> run = runAt(position);
    if (!run || run->start >= position)
        return std::nullopt;
    return run;
}

} // namespace

Range snap(const Range& old, const Range& proposed, qsizetype textLength, const RunAt& runAt)
{
    if (proposed.start >= textLength)
        return proposed;
    if (proposed.length == 0) {
        const std::optional<Range> run = runAround(proposed.start, textLength, runAt);
        if (!run)
            return proposed;
        const bool step =
            old.length == 0 && (old.start - proposed.start == 1 || proposed.start - old.start == 1);
        qsizetype edge = 0;
        if (step)
            edge = proposed.start > old.start ? run->end() : run->start;
        else
            edge = proposed.start >= run->start + run->length / 2 ? run->end() : run->start;
        return {edge, 0};
    }
    qsizetype start = proposed.start;
    qsizetype end = proposed.end();
    if (const std::optional<Range> run = runAround(start, textLength, runAt))
        start = run->start;
    if (const std::optional<Range> run = runAround(end, textLength, runAt))
        end = run->end();
    return {start, end - start};
}

} // namespace CaretSnapping
