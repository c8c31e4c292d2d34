#pragma once
// The range a caller requests for a launch-file job, from twips or points to screen pixels.

#include <QString>

namespace ximora::app {

/// Converts the requested width and height to pixels when both are non-zero: twips through the
/// twips per pixel of each axis, points through 72 / dots per inch. Otherwise unchanged.
void convertRange(float& width, float& height, bool twips, int dpiX, int dpiY);

/// The caption of the requested-range menu item: "User.Range (W * H px)" with both numbers
/// formatted "#.0", or empty when either is not above 0.
QString rangeCaption(float width, float height);

}  // namespace ximora::app
