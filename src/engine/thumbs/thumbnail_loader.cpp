#include "engine/thumbs/thumbnail_loader.h"

#include "engine/codecs/registry.h"
#include "engine/core/error.h"
#include "engine/io/byte_source.h"
#include "engine/metadata/orientation.h"
#include "engine/thumbs/thumbnail_reducer.h"
#include "engine/thumbs/thumbnail_scale.h"

namespace ximora::engine {
namespace {

// Reduces the rows as the codec decodes them, reading the file through a small buffer.
bool reduceWhileDecoding(const Codec& codec, ByteSource& file, const LoadOptions& options, int size,
                         Image& thumb) {
    ThumbnailReducer reducer(size);
    clearLastError();
    Image reduced;
    if (!codec.decodeRows(file, options, reducer) || !reducer.finish(reduced)) {
        if (lastError() == kOk) setLastError(kErrFileBroken);
        return false;
    }
    if (!turnUpright(reduced, reducer.notes.orientation)) return false;
    thumb = std::move(reduced);
    return true;
}

}  // namespace

bool loadThumbnail(const std::string& path, int size, Image& thumb) {
    if (size < 1 || size > kMaxSide) return fail(kErrBadParameter);
    LoadOptions options;
    // Both decoded sides at least `size` leaves the averaging at least one whole source pixel
    // per thumbnail pixel, whatever the aspect ratio.
    options.minSide = size;
    options.keepMetadata = false;
    FileSource file;
    if (!file.open(path)) return false;
    std::vector<uint8_t> head;
    readHead(file, 4096, head);
    const FileFormat format = detectFormat(head.data(), head.size());
    const Codec* codec = codecForFormat(format);
    if (codec && codec->decodeRows) return reduceWhileDecoding(*codec, file, options, size, thumb);
    // A codec without a row decoder decodes the whole picture, within the memory budget.
    Image image;
    return loadImage(path, image, options) && makeThumbnail(image, size, thumb);
}

}  // namespace ximora::engine
