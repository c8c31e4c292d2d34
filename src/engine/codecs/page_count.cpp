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
#include "engine/io/byte_source.h"

namespace ximora::engine {

namespace {

using PageCounter = int (*)(ByteSource& source);

// A counter of a format whose library reads the whole file from memory.
template <int (*count)(const uint8_t* data, size_t size)>
int countInMemory(ByteSource& source) {
    if (const uint8_t* whole = source.data()) return count(whole, size_t(source.size()));
    std::vector<uint8_t> bytes;
    return readWholeSource(source, bytes) ? count(bytes.data(), bytes.size()) : 1;
}

// The page counter of a format that may hold several pages; nullptr for the others.
PageCounter pageCounterFor(FileFormat format) {
    switch (format) {
        case FileFormat::Tiff:
            return tiffPageCount;
        case FileFormat::Gif:
            return countInMemory<gifFrameCount>;
        case FileFormat::Png:
            return pngFrameCount;
        case FileFormat::Webp:
            return countInMemory<webpFrameCount>;
        case FileFormat::Heif:
            return countInMemory<heifImageCount>;
        case FileFormat::Avif:
            return countInMemory<avifFrameCount>;
        case FileFormat::Jxl:
            return countInMemory<jxlFrameCount>;
        default:
            return nullptr;
    }
}

}  // namespace

int countPages(const uint8_t* data, size_t size) {
    MemorySource source(data, size);
    const PageCounter counter = pageCounterFor(detectFormat(data, size));
    return counter ? counter(source) : 1;
}

int countFilePages(const std::string& path) {
    const int saved = lastError();
    // Only the formats that may hold pages are read, and TIFF and PNG only as far as their
    // directories and chunk headers: a photo costs the editor no second reading of its file.
    FileSource file;
    const PageCounter counter =
        file.open(path) ? pageCounterFor(detectSourceFormat(file)) : nullptr;
    const int pages = counter ? counter(file) : 1;
    setLastError(saved);
    return pages;
}

}  // namespace ximora::engine
