#include "vector/drawing_thumbnail.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "engine/core/error.h"
#include "engine/thumbs/drawing_thumbnails.h"
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
    const QSize natural = drawing->naturalSize();
    const double longer = std::max(natural.width(), natural.height());
    const int width = std::max(1, int(std::lround(size * natural.width() / longer)));
    const int height = std::max(1, int(std::lround(size * natural.height() / longer)));
    if (!thumb.allocate(width, height, 24)) return false;
    // Painted straight into the thumbnail's rows (bytes R, G, B).
    QImage view(thumb.data(), width, height, qsizetype(thumb.stride()), QImage::Format_RGB888);
    view.fill(Qt::white);
    QPainter painter(&view);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    drawing->paint(painter, QRectF(0, 0, width, height));
    return true;
}

void installDrawingThumbnails() { engine::setDrawingRasteriser(rasteriseDrawing); }

}  // namespace ximora::vector
