#pragma once
// Handing files and folders to the desktop: open with the default program, show a folder in
// the file manager (both through xdg-open), move to the freedesktop trash.

#include <QString>

namespace ximora::platform {

/// Opens a file or URL with the desktop's default handler; false when none could be started.
bool openWithDesktop(const QString& pathOrUrl);

/// Opens a folder in the desktop's file manager; false when it is not a folder or nothing
/// could be started.
bool exploreFolder(const QString& folder);

/// Moves a file or folder to the trash; false (with `error` when given) when it is missing or
/// cannot be moved. Nothing is deleted when the move fails.
bool moveToTrash(const QString& path, QString* error = nullptr);

}  // namespace ximora::platform
