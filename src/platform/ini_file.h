#pragma once
// Small INI settings files in the layout QSettings reads (the per-user program path, the print
// settings), written through the program's one atomic write path: QSettings lays out the new
// values alone, their lines go into the file's own text (its comments, key order and line ends
// kept), and the result is read back and checked before it replaces the file. So a full disk
// or a killed program never leaves such a file empty or half-written.

#include <QString>
#include <QVariantMap>

namespace ximora::platform {

/// Sets `values` (QSettings keys "Section/key") in the INI file `path`, keeping its other keys.
/// False when the file could not be written (`error`, when given, says why); it is then as it
/// was.
bool writeIniValues(const QString& path, const QVariantMap& values, QString* error = nullptr);

}  // namespace ximora::platform
