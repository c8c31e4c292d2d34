#pragma once
// The running program's own file and the program name derived from it.

#include <QString>

namespace ximora::platform {

/// Full path of the running executable (empty when it cannot be found).
QString programFile();

/// The executable's folder, ending in "/".
QString programFolder();

/// The program data folder "apData/" (stamps, pointer images), ending in "/": beside the
/// program in the build tree, or `<prefix>/share/ximora/apData/` when the program is installed
/// in `<prefix>/bin`. Beside the program when neither exists.
QString programDataFolder(const QString& programFolder);

/// The program name for an executable file name or path: the base name without any extension,
/// with a trailing "_dv" (any letter case) removed, so "ximora_DV" is "ximora".
QString programNameFor(const QString& fileName);

}  // namespace ximora::platform
