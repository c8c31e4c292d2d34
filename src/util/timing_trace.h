#pragma once
// The window's timing trace. With XIMORA_TRACE=FILE the program appends one line per event the
// user sees to FILE: "MILLISECONDS<TAB>EVENT<TAB>DETAIL", the milliseconds on a monotonic clock
// since the process started (so that loading the program's libraries counts). Without it every
// call is one test of a flag.
//
// Events: start, window-shown, picture-requested (the path), first-view-painted,
// picture-painted (the whole picture at its final quality; the path), folder-requested (the
// folder chosen in the browser) and list-shown (the folder, when its files are on screen).

#include <QString>

namespace ximora::util::trace {

namespace internal {
extern const bool gOn;
void write(const char* event, const QString& detail);
}  // namespace internal

/// Whether the trace is being written.
inline bool on() { return internal::gOn; }

/// Appends one event.
inline void event(const char* name, const QString& detail = {}) {
    if (on()) internal::write(name, detail);
}

/// A picture was asked for: the picture view's next paints report it.
void pictureRequested(const QString& path);
/// The picture view painted a picture; `whole` when it was the whole picture at its final
/// quality (not a first view, not roughly sampled while its reduction is made).
void picturePainted(bool whole);

/// The file list was filled with `folder`'s files: its next paint reports it.
void listFilled(const QString& folder);
/// The file list painted.
void listPainted();

}  // namespace ximora::util::trace
