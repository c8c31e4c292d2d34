#pragma once
// What the desktop tells about itself: screen resolution, work area, clipboard content.
// Without a screen or a clipboard (tools, tests) the answers are neutral.

#include <QRect>

namespace ximora::platform {

struct ScreenMetrics {
    int dpiX = 96;   ///< logical dots per inch, horizontal
    int dpiY = 96;   ///< logical dots per inch, vertical
    QRect workArea;  ///< available desktop area in pixels; empty without a screen
};

/// The primary screen's metrics; 96 dots per inch and an empty work area without a screen.
ScreenMetrics screenMetrics();

/// True when the clipboard offers a picture (a raster image, or vector data the program can
/// show); false without a clipboard.
bool clipboardHasPicture();

}  // namespace ximora::platform
