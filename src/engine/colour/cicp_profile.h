#pragma once
// Colour profiles built from the code points of ITU-T H.273 ("nclx" colour descriptions of
// HEIF and AVIF files): https://www.itu.int/rec/T-REC-H.273

#include <cstdint>
#include <vector>

namespace ximora::engine {

/// An ICC profile (RGB matrix and tone curves) for colour primaries `primaries` and transfer
/// characteristics `transfer` as H.273 numbers them. Empty when the pair means sRGB (primaries
/// 1 with transfer 13, 2 "unspecified" counting as those), and for what a display profile
/// cannot describe: the XYZ primaries (10), the PQ and HLG transfers of HDR pictures (16, 18),
/// SMPTE 428 (17) and unknown numbers. Such pictures are shown and converted as sRGB.
std::vector<uint8_t> iccFromCicp(int primaries, int transfer);

}  // namespace ximora::engine
