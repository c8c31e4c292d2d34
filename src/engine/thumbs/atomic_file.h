#pragma once
// Whole-file reads and crash-safe whole-file writes.

#include <cstdint>
#include <string>
#include <vector>

namespace ximora::engine {

/// Reads the whole file. Fails with error 16 (missing), 19 (no access), 3 (larger than
/// `maxBytes`) or 23 (read error).
bool readWholeFile(const std::string& path, std::vector<uint8_t>& out, uint64_t maxBytes);

/// Writes `bytes` to a temporary file in the target's folder, flushes it to disk and renames it
/// over `path`, so the target is either the old file or the complete new one. A replaced file
/// keeps its permissions. Fails with error 21 (cannot create) or 22 (cannot write), leaving the
/// target untouched and no temporary file behind.
bool writeFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace ximora::engine
