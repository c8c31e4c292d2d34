#pragma once
// The colour profile of the display, as the desktop publishes it.

#include <QByteArray>

namespace ximora::platform {

/// The ICC profile of the (first) display: the X11 root window property _ICC_PROFILE that
/// colour-managing desktops set (the "ICC Profiles in X" convention), else the profile that
/// colord assigns to its first display device. Empty when the desktop publishes none; the
/// display is then taken to be sRGB. Asks the desktop each time (a few milliseconds).
QByteArray displayColourProfile();

}  // namespace ximora::platform
