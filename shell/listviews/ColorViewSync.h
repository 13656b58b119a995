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

// A faint wash of blue over the list's own background: pale blue on a light
// list, a dark blue-grey on a dark one.
inline constexpr rv::Color defaultColor{0.62, 0.78, 1.0, 0.18};

} // namespace ColorViewSync
