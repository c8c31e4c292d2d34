#pragma once
// The named temporary files of writes on file systems without unnamed ones (vfat and exFAT
// cards, NFS, FUSE): hidden names with the program's own mark, each locked by its writer while
// it writes, so that what a killed write left behind is told apart from every other file, and
// from a write still going on, and removed.

#include <string>
#include <string_view>

namespace ximora::engine {

/// A fresh name for a temporary file of `target` in `folder`: "." + the target's name (cut to
/// 200 bytes) + ".ximora-" + 8 letters and digits + ".tmp".
std::string temporaryNameFor(const std::string& folder, const std::string& target);

/// Whether `name` (without folder) has the form temporaryNameFor gives.
bool isTemporaryName(std::string_view name);

/// Removes from `folder` the temporary files that killed writes left: files of the form above
/// that belong to this user and that no writer holds locked (where the file system has no locks,
/// those older than a day). Nothing else is ever touched. Returns how many were removed.
int removeLeftoverTemporaries(const std::string& folder);

}  // namespace ximora::engine
