#pragma once
// The stops of the zoom menu (" 50%" to "1000%"), which the mouse wheel and the zoom keys
// step through as well.

#include <array>

namespace ximora::editor {

/// Zoom factors of the zoom menu, ascending (1 = 100 %).
inline constexpr std::array<double, 12> kZoomSteps = {0.5, 0.6, 0.7, 0.8, 0.9, 1.0,
                                                      1.5, 2.0, 3.0, 5.0, 7.5, 10.0};

/// The first step above `current` (zoom in) or below it (zoom out); `current` itself when there
/// is none (beyond the last or first step). A scale within a hair of a step counts as that step,
/// so rounding in a fitted view never makes a step look skipped.
double nextZoomStep(double current, bool in);

}  // namespace ximora::editor
