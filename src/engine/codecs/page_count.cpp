#include "engine/codecs/page_count.h"

#include <vector>

#include "engine/codecs/gif/gif_codec.h"
#include "engine/codecs/png/png_codec.h"
#include "engine/codecs/registry.h"
#include "engine/codecs/tiff/tiff_codec.h"
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
