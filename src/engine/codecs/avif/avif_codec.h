#pragma once
// AVIF through libavif, with the AV1 decoders Debian builds into it (dav1d, aom).

#include "engine/codecs/codec.h"

namespace ximora::engine {

/// The AVIF entry of the codec table: read only.
const Codec& avifCodec();

/// Decodes the primary image, or the first frame of an image sequence, with its clean
/// aperture, rotation and mirror applied (clap, irot, imir): 32-bit
/// RGBA with an alpha plane, 8-bit grey for a monochrome picture, else 24-bit; 10- and 12-bit
/// samples are rounded to 8 bits, and kept widened to 16 bits beside the raster when
/// options.keepMetadata (deep_samples.h). The ICC profile, or one built from the nclx colour
/// description, → metadata.icc; EXIF (orientation set to 1, the rotation being applied) and
/// XMP → metadata.
bool decodeAvif(const uint8_t* data, size_t size, const LoadOptions& options, Image& out);

/// The facts of the primary image (or first frame) as decodeAvif gives it, from the file's
/// boxes, which libavif reads through `source`; no AV1 data is decoded. Errors as decodeAvif.
bool readAvifFacts(ByteSource& source, ImageFacts& out);

/// The frames of an AVIF image sequence; 1 for a still picture and for data that cannot be
/// read.
int avifFrameCount(const uint8_t* data, size_t size);

}  // namespace ximora::engine
