#pragma once
// Files on the clipboard, as file managers exchange them: a URI list with the markers that say
// whether the files were cut or copied — "x-special/gnome-copied-files" (GNOME, Xfce, LXQt),
// "application/x-kde-cutselection" (KDE) and the 32-bit "Preferred DropEffect" value (2 after
// cut, 5 after copy). Reading accepts any of the markers; a URI list without any is a copy.

#include <QStringList>

class QMimeData;

namespace ximora::browser {

/// The drop effect values of the "Preferred DropEffect" marker.
constexpr int kDropCopy = 1;
constexpr int kDropMove = 2;
constexpr int kDropLink = 4;

/// The clipboard content for `paths` (full local paths, a "," being part of a name) after a
/// cut (`cut` true) or a copy.
QMimeData* fileClipboardData(const QStringList& paths, bool cut);

struct ClipboardFiles {
    QStringList paths;   ///< local files only
    int dropEffect = 0;  ///< 0 when a marker says neither cut nor copy
    /// What a paste does: copy when the copy bit is set, else move when the move bit is,
    /// else nothing.
    bool copies() const { return dropEffect & kDropCopy; }
    bool moves() const { return !copies() && (dropEffect & kDropMove); }
};

/// The files on the clipboard and how they were put there; no paths when there are none.
ClipboardFiles clipboardFiles(const QMimeData* data);

}  // namespace ximora::browser
