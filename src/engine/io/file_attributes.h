#pragma once
// What a file is to others, besides its bytes: permission bits, owner and group, the ACL and
// the other extended attributes. A replacement takes them over from the file it replaces.

#include <sys/stat.h>

#include <string>

namespace ximora::engine {

/// Gives the new file open at `fd` what the file at `oldPath` (described by `old`) is to
/// others: owner and group, permission bits, every extended attribute (the ACL among them).
/// False when some of it could not be given (another user's file, an attribute only the
/// administrator may set, a file system that keeps none): the caller then rewrites the old file
/// in place, which keeps all of it, as GLib's g_file_replace does.
bool giveAttributes(int fd, const std::string& oldPath, const struct stat& old);

}  // namespace ximora::engine
