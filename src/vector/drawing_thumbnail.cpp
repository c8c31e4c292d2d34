#include "vector/drawing_thumbnail.h"

#include <QFile>

#include "engine/core/error.h"
#include "engine/sandbox/sandboxed_decoding.h"
#include "engine/thumbs/drawing_thumbnails.h"
#include "vector/drawing_raster.h"
#include "vector/vector_drawing.h"

namespace ximora::vector {
namespace {

// One request to the drawing worker: read and painted there.
bool rasteriseConfined(const std::string& path, int size, engine::Image& thumb) {
    engine::FileSource file;
    if (!file.open(path)) return false;
    if (file.size() > uint64_t(kMaxDrawingFileBytes)) return engine::fail(engine::kErrMemory);
    engine::DrawingAsk ask;
    ask.kind = drawingKindOf(QFile::decodeName(path.c_str())).toStdString();
    ask.fit = size;
    engine::DrawingFacts facts;
    std::string message;
    return engine::workerDrawing(file, ask, facts, thumb, message);
}

}  // namespace

bool rasteriseDrawing(const std::string& path, int size, engine::Image& thumb) {
    if (size < 1 || size > 65535) return engine::fail(engine::kErrBadParameter);
    engine::clearLastError();
    if (engine::drawsInWorkers()) return rasteriseConfined(path, size, thumb);
    QString error;
    const std::unique_ptr<VectorDrawing> drawing =
        VectorDrawing::load(QFile::decodeName(path.c_str()), error);
    if (!drawing)
        return engine::fail(engine::lastError() ? engine::lastError() : engine::kErrBadFile);
    return paintDrawing(*drawing, fittedInto(drawing->naturalSize(), size), thumb);
}

void installDrawingThumbnails() { engine::setDrawingRasteriser(rasteriseDrawing); }

}  // namespace ximora::vector
