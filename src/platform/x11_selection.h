#pragma once
// X11 selections seen through the application's own connection to the X server (Qt's xcb
// platform). Without one (Wayland, offscreen, no application object) there is no owner.

#include <QtGlobal>

namespace ximora::platform {

/// The window that owns the X11 selection `name` ("CLIPBOARD", "CLIPBOARD_MANAGER"), 0 for
/// none or without an X11 connection.
quint32 x11SelectionOwner(const char* name);

/// The most bytes one property of the X server can take in a single request (0 without an X11
/// connection).
qint64 x11LargestProperty();

/// True when `window` was made by this process's own X11 connection.
bool x11WindowIsOwn(quint32 window);

}  // namespace ximora::platform
