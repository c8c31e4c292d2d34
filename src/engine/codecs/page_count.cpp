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

int countPages(const uint8_t* data, size_t size) {
    switch (detectFormat(data, size)) {
        case FileFormat::Tiff:
            return tiffPageCount(data, size);
        case FileFormat::Gif:
            return gifFrameCount(data, size);
        case FileFormat::Png:
            return pngFrameCount(data, size);
        case FileFormat::Webp:
            return webpFrameCount(data, size);
        case FileFormat::Heif:
            return heifImageCount(data, size);
        case FileFormat::Avif:
            return avifFrameCount(data, size);
        case FileFormat::Jxl:
            return jxlFrameCount(data, size);
        default:
            return 1;
    }
}

int countFilePages(const std::string& path) {
    const int saved = lastError();
    std::vector<uint8_t> bytes;
    const int pages = readWholeFile(path, bytes) ? countPages(bytes.data(), bytes.size()) : 1;
    setLastError(saved);
    return pages;
}

}  // namespace ximora::engine
