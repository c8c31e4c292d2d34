#include "vector/confined_drawing.h"

#include <QPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "engine/core/error.h"
#include "engine/sandbox/drawing_files.h"
#include "engine/sandbox/sandboxed_decoding.h"
#include "vector/vector_messages.h"

namespace ximora::vector {

std::unique_ptr<VectorDrawing> ConfinedDrawing::load(const QByteArray& bytes, const QString& kind,
                                                     QString& reason) {
    std::unique_ptr<ConfinedDrawing> drawing(new ConfinedDrawing);
    drawing->kind_ = kind;
    if (!engine::bytesAsFile(reinterpret_cast<const uint8_t*>(bytes.constData()),
                             size_t(bytes.size()), drawing->bytes_)) {
        reason = vectorReadError(engine::kErrMemory, kind);
        return nullptr;
    }
    engine::DrawingAsk facts;
    facts.kind = kind.toStdString();
    engine::Image none;
    std::string message;
    if (!engine::workerDrawing(drawing->bytes_, facts, drawing->facts_, none, message)) {
        reason = QString::fromStdString(engine::drawingWorkerError(message, kind.toStdString()));
        return nullptr;
    }
    return drawing;
}

QSize ConfinedDrawing::naturalSize() const { return {facts_.width, facts_.height}; }

bool ConfinedDrawing::rasterise(QSize size, engine::Image& picture) const {
    engine::DrawingAsk ask;
    ask.kind = kind_.toStdString();
    ask.width = size.width();
    ask.height = size.height();
    engine::DrawingFacts facts;
    std::string message;
    engine::Image painted;
    if (!engine::workerDrawing(bytes_, ask, facts, painted, message)) return false;
    if (painted.bitsPerPixel() != 24 || painted.width() != size.width() ||
        painted.height() != size.height())
        return engine::failWithDetail(engine::kErrFileBroken,
                                      "the decoder stopped: it painted another size");
    picture = std::move(painted);
    return true;
}

void ConfinedDrawing::paint(QPainter& painter, const QRectF& target) const {
    // The raster is made at the size the target covers on the device (in its pixels, on a
    // high-density screen too), so that it is drawn pixel for pixel.
    const QRectF onDevice = painter.transform().mapRect(target);
    const double density = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const auto pixels = [density](double side) {
        return std::clamp(int(std::lround(side * density)), 1, engine::kMaxSide);
    };
    const QSize size(pixels(onDevice.width()), pixels(onDevice.height()));
    std::lock_guard lock(mutex_);
    if (QSize(raster_.width(), raster_.height()) != size && !rasterise(size, raster_)) return;
    const QImage view(raster_.data(), size.width(), size.height(), qsizetype(raster_.stride()),
                      QImage::Format_RGB888);
    painter.drawImage(target, view);
}

}  // namespace ximora::vector
