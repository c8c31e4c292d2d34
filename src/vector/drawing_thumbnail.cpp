#include "vector/drawing_thumbnail.h"

#include <QFile>

#include "engine/core/error.h"
#include "engine/thumbs/drawing_thumbnails.h"
#include "vector/drawing_raster.h"
#include "vector/vector_drawing.h"

namespace ximora::vector {

bool rasteriseDrawing(const std::string& path, int size, engine::Image& thumb) {
    if (size < 1 || size > 65535) return engine::fail(engine::kErrBadParameter);
    engine::clearLastError();
    QString error;
    const std::unique_ptr<VectorDrawing> drawing =
        VectorDrawing::load(QFile::decodeName(path.c_str()), error);
    if (!drawing)
        return engine::fail(engine::lastError() ? engine::lastError() : engine::kErrBadFile);
    return paintDrawing(*drawing, fittedInto(drawing->naturalSize(), size), thumb);
}

void installDrawingThumbnails() { engine::setDrawingRasteriser(rasteriseDrawing); }

}  // namespace ximora::vector
