#pragma once

#include <QtGlobal>
#include <functional>
#include <optional>

// Keeps the caret and the ends of a selection out of the middle of an
// attachment run, so that an attachment's markup is only ever selected,
// deleted or replaced whole.
//
// A caret may rest at either edge of a run. One that lands inside goes to an
// edge: a one-character step (the arrow keys) crosses the run in the
// direction it went, anything else (a click) goes to the nearer edge, the
// end from the run's middle on. A selection whose end lies inside a run grows
// to take the run whole.
namespace CaretSnapping {

struct Range {
    qsizetype start = 0;
    qsizetype length = 0;
    qsizetype end() const { return start + length; }
    friend bool operator==(const Range&, const Range&) = default;
};

// The run that holds the character at `index`, if any.
using RunAt = std::function<std::optional<Range>(qsizetype index)>;

// The range to use instead of `proposed`, coming from `old`.
Range snap(const Range& old, const Range& proposed, qsizetype textLength, const RunAt& runAt);

} // namespace CaretSnapping
