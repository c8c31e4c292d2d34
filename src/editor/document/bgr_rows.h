#pragma once
// The byte order of 24-bit BMP rows: the engine keeps full-colour pixels as R, G, B and the file
// stores B, G, R.

#include <cstdint>

namespace ximora::editor {

/// Writes the `width` pixels of the R, G, B row `src` to `dst` as B, G, R (3 × width bytes);
/// the two must not overlap. Five pixels at a time with one byte shuffle where the processor
/// has SSSE3.
void rgbToBgr(const uint8_t* src, uint8_t* dst, int width);

}  // namespace ximora::editor
