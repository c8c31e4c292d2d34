#pragma once
// The running program's own file and the program name derived from it.

#include <QString>

namespace ximora::platform {

/// Full path of the running executable (empty when it cannot be found).
QString programFile();

/// The executable's folder, ending in "/".
QString programFolder();

/// The program name for an executable file name or path: the base name without any extension,
/// with a trailing "_dv" (any letter case) removed, so "ximora_DV" is "ximora".
QString programNameFor(const QString& fileName);

}  // namespace ximora::platform
