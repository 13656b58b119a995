#pragma once

#include "Color.h"

// The background colour that the list views and the draft window's side view
// share. Views of the lists post colorChangedByLists and listen to
// colorChangedBySidePanels; the side view does the opposite. The colour
// travels in the notification's user info under colorKey, as an rv::Color.
namespace ColorViewSync {

inline constexpr auto colorChangedByLists = "colorView1";
inline constexpr auto colorChangedBySidePanels = "colorView2";
inline constexpr auto colorKey = "color";
// The user default holding the colour ("#AARRGGBB").
inline constexpr auto preferenceKey = "colorViewColor";

// A pale blue, slightly see-through.
inline constexpr rv::Color defaultColor{0.93, 0.96, 1.0, 0.95};

} // namespace ColorViewSync
