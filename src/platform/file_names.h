#pragma once
// File names as the file system has them: bytes, which need not be valid UTF-8 (Shift-JIS
// names from Windows archives and disks). The program carries them in QStrings that give the
// bytes back: valid UTF-8 decodes as text, and each byte of an invalid sequence becomes a lone
// surrogate, U+DC80 plus the byte (as Python's "surrogateescape" does), which encodePath turns
// back into the byte. Qt's own file classes would write such a name's bytes otherwise, so the
// program reaches those files through the names' bytes (the engine, POSIX).

#include <QByteArray>
#include <QString>
#include <string>

namespace ximora::platform {

/// The name `bytes` (a path or a file name) as a QString that encodePath gives back whole.
QString decodePath(const QByteArray& bytes);
QString decodePath(const std::string& bytes);
inline QString decodePath(const char* bytes) { return decodePath(QByteArray(bytes)); }

/// The bytes of a name that decodePath made (or of any text: UTF-8).
QByteArray encodePath(const QString& path);
/// As encodePath, for the engine's calls.
inline std::string nativePath(const QString& path) { return encodePath(path).toStdString(); }

/// The name made readable for the user: valid UTF-8 as it is, a name whose bytes are valid
/// CP932 (Shift-JIS) decoded as CP932, otherwise every byte that is no UTF-8 shown as U+FFFD.
QString displayPath(const QString& path);

/// Whether something exists at the path, and whether it is a regular file or a folder (symbolic
/// links followed), looked at through the name's bytes.
bool pathExists(const QString& path);
bool isRegularFile(const QString& path);
bool isFolder(const QString& path);

/// Whether the existing file at `path` is read-only: no write permission for this user, or
/// none for anyone (which the administrator, who may write it anyway, is asked about too).
bool isReadOnlyFile(const QString& path);

}  // namespace ximora::platform
