#pragma once
// HEIF (HEIC) through libheif, with the HEVC decoder Debian builds into it.

#include "engine/codecs/codec.h"

namespace ximora::engine {

/// The HEIF entry of the codec table: read only. Its content test also accepts AVIF files
/// (libheif decodes them too); the table asks the AVIF codec first.
const Codec& heifCodec();

/// Decodes the primary image with its cropping, rotation and mirror applied (clap, irot,
/// imir): 32-bit RGBA with an alpha plane, else 24-bit; 10- and 12-bit samples are rounded to
/// 8 bits, and kept widened to 16 bits beside the raster when options.keepMetadata. The ICC
/// profile, or one built from an nclx colour description, → metadata.icc; EXIF (its orientation set
/// to 1, as the rotation is already applied) and XMP → metadata. With `options.minSide`, an
/// embedded thumbnail whose sides are both at least that large is decoded instead of the full
/// image.
bool decodeHeif(const uint8_t* data, size_t size, const LoadOptions& options, Image& out);

/// The primary image's sides (as decodeHeif gives them) and depth from the file's boxes, which
/// libheif reads through `source`, seeking over the coded pictures. Errors as decodeHeif.
bool readHeifFacts(ByteSource& source, ImageFacts& out);

/// The top-level images of a HEIF file (burst shots, collections); 1 for data that cannot be
/// read.
int heifImageCount(const uint8_t* data, size_t size);

}  // namespace ximora::engine
