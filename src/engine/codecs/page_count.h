#pragma once
// How many pages or frames an image file holds. The engine reads the first; callers that write
// the file back use the count so that the other pages are never lost without a word.

#include <cstddef>
#include <cstdint>
#include <string>

namespace ximora::engine {

/// Pages of a file in memory: the pages of a multi-page TIFF (reduced-resolution previews are
/// not pages), the frames of an animated GIF, PNG, WebP, AVIF or JPEG XL file, the top-level
/// images of a HEIF file; 1 for every other file, and for data that cannot be read.
int countPages(const uint8_t* data, size_t size);

/// As countPages for the file at `path` (UTF-8); 1 when it cannot be read.
int countFilePages(const std::string& path);

}  // namespace ximora::engine
