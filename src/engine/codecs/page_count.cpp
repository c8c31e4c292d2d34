#include "engine/codecs/page_count.h"

#include <vector>

#include "engine/codecs/avif/avif_codec.h"
#include "engine/codecs/gif/gif_codec.h"
#include "engine/codecs/heif/heif_codec.h"
#include "engine/codecs/jxl/jxl_codec.h"
#include "engine/codecs/png/png_codec.h"
#include "engine/codecs/registry.h"
#include "engine/codecs/tiff/tiff_codec.h"
#include "engine/codecs/webp/webp_codec.h"
#include "engine/core/error.h"
#include "engine/io/file_io.h"

namespace ximora::engine {

namespace {

using PageCounter = int (*)(const uint8_t* data, size_t size);

// The page counter of a format that may hold several pages; nullptr for the others.
PageCounter pageCounterFor(FileFormat format) {
    switch (format) {
        case FileFormat::Tiff:
            return tiffPageCount;
        case FileFormat::Gif:
            return gifFrameCount;
        case FileFormat::Png:
            return pngFrameCount;
        case FileFormat::Webp:
            return webpFrameCount;
        case FileFormat::Heif:
            return heifImageCount;
        case FileFormat::Avif:
            return avifFrameCount;
        case FileFormat::Jxl:
            return jxlFrameCount;
        default:
            return nullptr;
    }
}

}  // namespace

int countPages(const uint8_t* data, size_t size) {
    const PageCounter counter = pageCounterFor(detectFormat(data, size));
    return counter ? counter(data, size) : 1;
}

int countFilePages(const std::string& path) {
    const int saved = lastError();
    // The file is read whole only in a format that may hold pages: a photo of a hundred
    // megapixels costs the editor no second copy of its file for the information line.
    const PageCounter counter = pageCounterFor(detectFileFormat(path));
    std::vector<uint8_t> bytes;
    const int pages =
        counter && readWholeFile(path, bytes) ? counter(bytes.data(), bytes.size()) : 1;
    setLastError(saved);
    return pages;
}

}  // namespace ximora::engine
