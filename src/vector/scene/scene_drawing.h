#pragma once
// A drawing read into a Scene (DXF, SXF), painted with QPainter: y upwards in the drawing and
// downwards on the page, line widths from millimetres on paper, dashes, fills and hatching
// clipped to their areas, texts stretched to their boxes.

#include <QSize>
#include <QString>
#include <memory>

#include "vector/scene/scene.h"
#include "vector/vector_drawing.h"

namespace ximora::vector {

class SceneDrawing : public VectorDrawing {
  public:
    /// How line widths (millimetres) become drawing units.
    enum class Widths {
        AsStated,       ///< by the scene's unitsPerMm
        AtNaturalSize,  ///< as they would be on paper at the natural size (96 per inch)
    };

    /// The drawing of a bound `scene` at naturalSizeFor(its size, `pixelsPerUnit`); nullptr
    /// with the reason in `error` when it has no size.
    static std::unique_ptr<SceneDrawing> create(Scene scene, double pixelsPerUnit, Widths widths,
                                                QString& error);

    QSize naturalSize() const override { return size_; }
    int skippedRecords() const override { return scene_.skipped; }
    void paint(QPainter& painter, const QRectF& target) const override;

    const Scene& scene() const { return scene_; }

  private:
    SceneDrawing(Scene scene, QSize natural) : scene_(std::move(scene)), size_(natural) {}
    Scene scene_;
    QSize size_;
};

}  // namespace ximora::vector
