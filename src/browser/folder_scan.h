#pragma once
// What the folder tree and the folder watch read from disk: a folder's subfolders and the
// timestamp by which the watch notices that a folder's entries changed.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace ximora::browser {

/// The fixed timestamp of a drive root (1999-01-01 00:00 UTC), in nanoseconds since 1970.
inline constexpr int64_t kDriveRootStamp = 915148800LL * 1000000000LL;

/// A folder's subfolders, or nothing when the folder cannot be read.
struct SubfolderList {
    bool readable = false;
    QStringList names;  ///< sorted by character code
};

/// The visible subfolders of `folder`: symbolic links to folders count, hidden folders (names
/// beginning with ".") and names that are not valid UTF-8 are left out, because a path built
/// from them could not name the folder again.
SubfolderList listSubfolders(const QString& folder);

/// Whether `folder` has at least one visible subfolder; nothing when it cannot be read.
std::optional<bool> hasSubfolders(const QString& folder);

/// The watch timestamp of `folder` in nanoseconds since 1970, or nothing when it is not an
/// existing folder. It is the folder's last-modified time, which moves whenever an entry is
/// added, removed or renamed inside it (a creation time never moves on Linux).
std::optional<int64_t> folderStamp(const QString& folder);
/// As above, for a path in the file system's encoding; safe on any thread.
std::optional<int64_t> folderStamp(const char* nativeFolder);

/// `parent` joined with `name` by "/", without doubling the separator after the root "/".
QString joinPath(const QString& parent, const QString& name);

}  // namespace ximora::browser
