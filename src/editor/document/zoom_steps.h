#pragma once
// The stops of the zoom menu (" 50%" to "1000%"), which the mouse wheel and the zoom keys step
// through as well, with finer stops below them for pictures larger than the screen.

#include <QString>
#include <array>

namespace ximora::editor {

/// Zoom factors of the zoom menu, ascending (1 = 100 %).
inline constexpr std::array<double, 12> kZoomSteps = {0.5, 0.6, 0.7, 0.8, 0.9, 1.0,
                                                      1.5, 2.0, 3.0, 5.0, 7.5, 10.0};
/// The wheel's and the keys' stops below the menu's, ascending: about a quarter apart, so that
/// a large picture zooms out as smoothly as it zooms in.
inline constexpr std::array<double, 14> kFineZoomSteps = {0.01, 0.015, 0.02, 0.03, 0.04, 0.05, 0.07,
                                                          0.1,  0.125, 0.15, 0.2,  0.25, 0.3,  0.4};

/// The first stop (of both lists) above `current` (zoom in) or below it (zoom out); `current`
/// itself when there is none (beyond the last or first stop). A scale within a hair of a stop
/// counts as that stop, so rounding in a fitted view never makes a step look skipped.
double nextZoomStep(double current, bool in);

/// The zoom as the information line shows it: "37%", "1000%"; below 10 % with a decimal
/// ("2.5%").
QString zoomPercentText(double zoom);

}  // namespace ximora::editor
