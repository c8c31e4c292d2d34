#pragma once
// Whole-file reads. Every codec works on memory buffers; this and the atomic writer
// (atomic_file.h) are the engine's only contact with the file system for image files.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ximora::engine {

/// Reads the whole file at `path` (UTF-8) into `out`. Fails with error 16 when the file does
/// not exist, 20 when it cannot be opened (a folder, no permission), 3 when it is larger than
/// the memory limit, 23 when reading stops early. `out` is unchanged on failure.
bool readWholeFile(const std::string& path, std::vector<uint8_t>& out);

/// Reads at most `maxBytes` from the start of the file at `path` (all of a shorter file), for
/// looking at headers without reading a large file whole. Errors as readWholeFile.
bool readFileHead(const std::string& path, size_t maxBytes, std::vector<uint8_t>& out);

}  // namespace ximora::engine
