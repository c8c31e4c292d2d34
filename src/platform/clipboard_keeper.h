#pragma once
// Keeps what the program itself put on the clipboard after the program has ended.
//
// On X11 the clipboard's content lives in the process that owns the selection and is gone with
// it. When a clipboard manager runs (an owner of the CLIPBOARD_MANAGER selection), Qt's xcb
// platform asks it to save every target (SAVE_TARGETS) while the application object is
// destroyed, and serves the manager's requests until it answers (for at most 5 seconds);
// nothing more is needed, unless a format is too large for the single property Qt gives the
// manager (a picture of over about 4 megapixels on a usual server). Otherwise the program
// `ximora-clipboard` beside this one takes the content over: it runs in a session of its own,
// outside the caller's wait, holds no file or folder of the program's, serves the same formats
// until another program takes the clipboard and then ends by itself.
//
// On Wayland a client's clipboard content also ends with the client unless the compositor keeps
// it (GNOME Shell and KDE Plasma do, wlroots compositors with a clipboard keeper); compositors
// ignore a selection set by a client without keyboard focus, so no background process could take
// it over, and none is started.

#include <QString>

namespace ximora::platform {

enum class ClipboardKeeping {
    NothingOwned,  ///< nothing of the program's is on the clipboard, or there is no X11 clipboard
    ByManager,     ///< the clipboard manager takes it while the application object goes
    ByServer,      ///< the background server owns it now
    Lost,          ///< neither; the reason is in `error`
};

/// Call after the last window has closed and before the application object is destroyed.
/// Returns once the content is safe, or after a bounded wait for the server.
ClipboardKeeping keepClipboardAfterExit(QString& error);

}  // namespace ximora::platform
