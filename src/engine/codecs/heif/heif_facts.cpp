// The facts of a HEIF file from its boxes, read through libheif without decoding a picture.
#include <algorithm>

#include "engine/codecs/heif/heif_codec.h"
#include "engine/codecs/heif/heif_error.h"
#include "engine/core/error.h"
#include "engine/io/byte_source.h"

namespace ximora::engine {
namespace {

// libheif reading a ByteSource: it asks for the boxes it parses and seeks over the coded
// pictures.
struct SourcePosition {
    ByteSource& source;
    uint64_t position = 0;
};

SourcePosition& at(void* userdata) { return *static_cast<SourcePosition*>(userdata); }

const heif_reader kSourceReader = {
    1,
    [](void* userdata) { return int64_t(at(userdata).position); },
    [](void* data, size_t size, void* userdata) {
        SourcePosition& p = at(userdata);
        if (p.source.read(p.position, data, size) != size) return 1;
        p.position += size;
        return 0;
    },
    [](int64_t position, void* userdata) {
        SourcePosition& p = at(userdata);
        if (position < 0 || uint64_t(position) > p.source.size()) return 1;
        p.position = uint64_t(position);
        return 0;
    },
    [](int64_t target, void* userdata) {
        return target >= 0 && uint64_t(target) <= at(userdata).source.size()
                   ? heif_reader_grow_status_size_reached
                   : heif_reader_grow_status_size_beyond_eof;
    },
};

}  // namespace

bool readHeifFacts(ByteSource& source, ImageFacts& out) {
    const HeifPtr<heif_context> context = newHeifContext();
    if (!context) return false;
    SourcePosition position{source};
    heif_error error = heifLibrary()->heif_context_read_from_reader(context.get(), &kSourceReader,
                                                                    &position, nullptr);
    if (error.code != heif_error_Ok) return failWithHeif(error);
    heif_image_handle* primary = nullptr;
    error = heifLibrary()->heif_context_get_primary_image_handle(context.get(), &primary);
    const HeifPtr<const heif_image_handle> owner(primary);
    if (error.code != heif_error_Ok) return failWithHeif(error);
    // The handle's sides are those of the picture with its cropping and rotation applied.
    const int width = heifLibrary()->heif_image_handle_get_width(primary);
    const int height = heifLibrary()->heif_image_handle_get_height(primary);
    if (!Image::fitsSides(width, height)) return false;
    out = ImageFacts{};
    out.width = width;
    out.height = height;
    out.bitsPerPixel = heifLibrary()->heif_image_handle_has_alpha_channel(primary) ? 32 : 24;
    out.sampleBits = std::max(8, heifLibrary()->heif_image_handle_get_luma_bits_per_pixel(primary));
    return true;
}

}  // namespace ximora::engine
