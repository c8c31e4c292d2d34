#pragma once
// FlashPix: OLE compound files holding a tiled resolution pyramid (the FlashPix format, version
// 1.0.1, Digital Imaging Group, 1997).

#include "engine/codecs/codec.h"

namespace ximora::engine {

/// The FlashPix entry of the codec table: save codes 13 (uncompressed) and 15 (JPEG).
const Codec& flashPixCodec();

/// Whether a compound file is a FlashPix image: its root storage has a FlashPix class, or it
/// holds an Image Contents property set. Damaged compound files count as FlashPix, so that
/// loading them reports the damage; other readable compound files (office documents) do not.
bool matchesFlashPix(const uint8_t* data, size_t size);

/// Decodes the largest resolution (with options.minSide above 0, the smallest whose sides stay
/// at least minSide) to 8-bit grey (monochrome), 24-bit RGB (NIF RGB, PhotoYCC) or 32-bit RGBA
/// (with an opacity channel, un-premultiplied). Uncompressed, single-colour and JPEG tiles.
/// The display size gives dpi; the summary information's comments give the comment.
bool decodeFlashPix(const uint8_t* data, size_t size, const LoadOptions& options, Image& out);

/// Encodes grey-level images as monochrome, 32-bit images as NIF RGB with premultiplied
/// opacity and everything else as NIF RGB, with every resolution down to one tile. Code 13
/// writes uncompressed tiles, code 15 JPEG tiles at options.jpegQuality (1 to 100, error 5
/// otherwise); tiles of one colour are written as such in both.
bool encodeFlashPix(const Image& image, const SaveOptions& options, std::vector<uint8_t>& out);

}  // namespace ximora::engine
