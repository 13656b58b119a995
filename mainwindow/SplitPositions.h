#pragma once

#include <QString>
#include <optional>

// The heights of the entries list and the preview below it, kept in the user
// default "entrylistsplitview" as "%f %f".
namespace SplitPositions {

inline constexpr auto defaultsKey = "entrylistsplitview";

struct Heights {
    double top = 0;    // the entries list
    double bottom = 0; // the preview; 0 while it is collapsed
    friend bool operator==(const Heights&, const Heights&) = default;
};

// "%f %f" of both heights; the second is 0 when the preview is collapsed.
QString format(const Heights& heights, bool bottomCollapsed);

// The heights to apply to a split view `total` high with a divider `divider`
// thick, or nothing when the saved text is unusable: not two numbers, a list
// lower than 10, a negative preview, or either above 1000. When the two do not
// fill the view, the list takes what the preview leaves.
std::optional<Heights> restore(const QString& saved, double total, double divider);

} // namespace SplitPositions
