#include "engine/thumbs/thumbnail_loader.h"

#include "engine/codecs/registry.h"
#include "engine/colour/srgb_conversion.h"
#include "engine/core/budget_reservation.h"
#include "engine/core/error.h"
#include "engine/io/byte_source.h"
#include "engine/metadata/orientation.h"
#include "engine/sandbox/sandboxed_decoding.h"
#include "engine/thumbs/drawing_thumbnails.h"
#include "engine/thumbs/embedded_preview.h"
#include "engine/thumbs/thumbnail_reducer.h"
#include "engine/thumbs/thumbnail_scale.h"

namespace ximora::engine {
namespace {

// Reduces the rows as the codec decodes them, reading the file through a small buffer. The
// picture's colour profile goes to `profile` where it describes the pixels.
bool reduceWhileDecoding(const Codec& codec, ByteSource& file, const LoadOptions& options, int size,
                         Image& thumb, std::vector<uint8_t>& profile) {
    ThumbnailReducer reducer(size);
    clearLastError();
    Image reduced;
    if (!codec.decodeRows(file, options, reducer) || !reducer.finish(reduced)) {
        if (lastError() == kOk) setLastError(kErrFileBroken);
        return false;
    }
    if (!turnUpright(reduced, reducer.notes.orientation)) return false;
    std::vector<uint8_t>& icc = reducer.notes.metadata.icc;
    if (profileDescribesPixels(icc, reducer.greySource())) profile = std::move(icc);
    thumb = std::move(reduced);
    return true;
}

// Decodes the whole picture (at reduced size where the codec can), within the memory budget.
// Thumbnails are made on several threads: pictures decoded whole take turns when together
// they would pass the budget, each counted as its raster and about twice as much inside its
// library (HEIF, AVIF).
bool reduceDecoded(FileSource& file, const LoadOptions& options, int size, Image& thumb,
                   std::vector<uint8_t>& profile) {
    const BudgetReservation reservation(3 * headerRasterBytes(file));
    Image image;
    if (!loadImageFromSource(file, image, options) || !makeThumbnail(image, size, thumb))
        return false;
    if (profileDescribesPixels(image)) profile = std::move(image.metadata.icc);
    return true;
}

}  // namespace

bool loadThumbnail(const std::string& path, int size, Image& thumb) {
    if (size < 1 || size > kMaxSide) return fail(kErrBadParameter);
    if (isDrawingFile(path)) return drawingThumbnail(path, size, thumb);
    FileSource file;
    if (!file.open(path)) return false;
    if (decodesInWorkers()) return workerThumbnail(file, size, thumb);
    return loadPictureThumbnail(file, size, thumb);
}

bool loadPictureThumbnail(FileSource& file, int size, Image& thumb) {
    if (size < 1 || size > kMaxSide) return fail(kErrBadParameter);
    if (thumbnailFromEmbeddedPreview(file, size, thumb)) return true;
    LoadOptions options;
    // Both decoded sides at least `size` leaves the averaging at least one whole source pixel
    // per thumbnail pixel, whatever the aspect ratio.
    options.minSide = size;
    std::vector<uint8_t> head;
    readHead(file, 4096, head);
    const Codec* codec = codecForFormat(detectFormat(head.data(), head.size()));
    Image made;
    std::vector<uint8_t> profile;
    if (!(codec && codec->decodeRows
              ? reduceWhileDecoding(*codec, file, options, size, made, profile)
              : reduceDecoded(file, options, size, made, profile)))
        return false;
    // Converting the small picture costs next to nothing; its averages are close enough to the
    // averages of the converted large one.
    made.metadata = {};
    if (!profile.empty()) {
        made.metadata.icc = std::move(profile);
        convertToSrgb(made);
    }
    thumb = std::move(made);
    return true;
}

}  // namespace ximora::engine
