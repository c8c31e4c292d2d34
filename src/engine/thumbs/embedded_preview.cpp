// EXIF thumbnails: IFD1's JPEGInterchangeFormat and JPEGInterchangeFormatLength fields
// (https://www.cipa.jp/std/documents/e/DC-X008-Translation-2019-E.pdf, 4.5.8).
#include "engine/thumbs/embedded_preview.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/codecs/jpeg/jpeg_head.h"
#include "engine/codecs/registry.h"
#include "engine/metadata/exif.h"
#include "engine/metadata/orientation.h"
#include "engine/metadata/tiff_structure.h"
#include "engine/thumbs/thumbnail_scale.h"

namespace ximora::engine {
namespace {

// Cameras put their markers, the EXIF block (at most 64 KiB) among them, before the frame
// header; a file whose frame header lies further in is decoded as usual.
constexpr size_t kHeadBytes = size_t(256) << 10;
constexpr uint16_t kTagJpegOffset = 513;
constexpr uint16_t kTagJpegLength = 514;

// The bytes of IFD1's JPEG thumbnail inside the EXIF block, if the block has a whole one.
bool exifThumbnail(const JpegHead& head, const uint8_t*& bytes, size_t& length) {
    const TiffStructure block(head.exif, head.exifSize);
    if (!block.valid()) return false;
    const uint64_t ifd1 = block.u32(block.ifd0() + 2 + uint64_t(block.u16(block.ifd0())) * 12);
    if (ifd1 < 8 || ifd1 + 2 > block.size()) return false;
    const uint64_t offsetEntry = block.findEntry(kTagJpegOffset, ifd1);
    const uint64_t lengthEntry = block.findEntry(kTagJpegLength, ifd1);
    if (!offsetEntry || !lengthEntry) return false;
    const uint64_t offset = block.u32(offsetEntry + 8), size = block.u32(lengthEntry + 8);
    if (offset < 8 || size < 4 || offset + size > block.size()) return false;
    bytes = head.exif + offset;
    length = size_t(size);
    return true;
}

// Whether a preview of previewWidth × previewHeight shows the whole picture (within a pixel of
// its aspect) and covers the thumbnail fitted into a square of `size`.
bool standsIn(const JpegHead& picture, int previewWidth, int previewHeight, int size) {
    const int64_t w = picture.width, h = picture.height;
    const int64_t skew = std::llabs(int64_t(previewWidth) * h - int64_t(previewHeight) * w);
    if (skew >= std::max(w, h)) return false;
    const ThumbnailSize fitted = fitIntoSquare(picture.width, picture.height, size);
    return previewWidth >= fitted.width && previewHeight >= fitted.height;
}

}  // namespace

bool thumbnailFromEmbeddedPreview(ByteSource& file, int size, Image& thumb) {
    std::vector<uint8_t> head;
    readHead(file, kHeadBytes, head);
    JpegHead picture;
    // A picture with a colour profile is decoded as usual so that its thumbnail is converted to
    // sRGB; the preview's colours would be taken as sRGB unconverted.
    if (!readJpegHead(head.data(), head.size(), picture) || !picture.exif || picture.iccProfile)
        return false;
    const uint8_t* bytes = nullptr;
    size_t length = 0;
    JpegHead preview;
    if (!exifThumbnail(picture, bytes, length) || !readJpegHead(bytes, length, preview) ||
        !standsIn(picture, preview.width, preview.height, size))
        return false;
    LoadOptions options;
    options.applyOrientation = false;  // the picture's orientation applies, not the preview's
    options.keepMetadata = false;
    Image decoded;
    if (!loadImageFromMemory(bytes, length, decoded, options)) return false;
    if (decoded.width() != preview.width || decoded.height() != preview.height) return false;
    const std::vector<uint8_t> exif(picture.exif, picture.exif + picture.exifSize);
    const int orientation = exifOrientation(exif);
    return (orientation <= 1 || turnUpright(decoded, orientation)) &&
           makeThumbnail(decoded, size, thumb);
}

}  // namespace ximora::engine
