#pragma once
// A drawing read and painted in the drawing worker (engine/sandbox/drawing_reading.h): the
// program keeps only its bytes, sealed in memory, and its facts; each painting at a new size
// asks the worker for the raster, which the drawing keeps until it is painted at another size.

#include <QImage>
#include <QString>
#include <memory>
#include <mutex>

#include "engine/io/byte_source.h"
#include "engine/sandbox/drawing_reading.h"
#include "vector/vector_drawing.h"

namespace ximora::vector {

class ConfinedDrawing final : public VectorDrawing {
  public:
    /// Has the worker read the drawing of `kind` in `bytes`; nullptr with the user's reason in
    /// `reason` (and the engine's last error) when it cannot, or when the worker stopped.
    static std::unique_ptr<VectorDrawing> load(const QByteArray& bytes, const QString& kind,
                                               QString& reason);

    QSize naturalSize() const override;
    int skippedRecords() const override { return facts_.skippedRecords; }
    /// Paints the worker's raster of the drawing at the size `target` has on the painter's
    /// device; nothing when the worker cannot paint it.
    void paint(QPainter& painter, const QRectF& target) const override;
    /// The worker's painting at `size`.
    bool rasterise(QSize size, engine::Image& picture) const override;

  private:
    ConfinedDrawing() = default;

    mutable engine::FileSource bytes_;
    QString kind_;
    engine::DrawingFacts facts_;
    mutable std::mutex mutex_;
    mutable engine::Image raster_;  // the last painting, 24-bit RGB
};

}  // namespace ximora::vector
