#pragma once
// The brands of an ISO base media file (HEIF, AVIF): the file type box that opens the file.
// ISO/IEC 14496-12, 4.3: https://www.iso.org/standard/83102.html

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace ximora::engine {

/// Whether the data opens with a file type box ("ftyp") whose major brand or one of whose
/// compatible brands is among `brands` (four characters each).
bool hasFileBrand(const uint8_t* head, size_t size, std::initializer_list<std::string_view> brands);

}  // namespace ximora::engine
