#pragma once
// The pointers of the mouse drag modes "位置移動" (a hand) and "拡大縮小" (a magnifier). They are
// pictures in the program data folder, "Hand.xpm" and "Magnify.xpm", which the user may
// replace; each names its hot spot in its header, as XPM allows.

#include <QByteArray>
#include <QCursor>
#include <QPoint>
#include <QString>
#include <optional>

namespace ximora::editor {

/// The file name of the pointer of drag mode 1 ("Hand.xpm") or 2 ("Magnify.xpm"); empty for
/// any other mode, which uses a standard pointer.
QString dragPointerFile(int mode);

/// The pointer of drag mode 1 or 2 read from `folder` (ending in "/"); nothing when the file
/// is missing or no picture.
std::optional<QCursor> dragPointer(int mode, const QString& folder);

/// The hot spot an XPM text names: the fifth and sixth numbers of its first string (width,
/// height, colours, characters per pixel, x, y), when they lie inside the picture.
std::optional<QPoint> xpmHotSpot(const QByteArray& text);

}  // namespace ximora::editor
