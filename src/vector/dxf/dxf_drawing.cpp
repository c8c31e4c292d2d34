#include "vector/dxf/dxf_drawing.h"

#include "engine/core/error.h"
#include "vector/dxf/dxf_reader.h"
#include "vector/scene/scene_drawing.h"
#include "vector/vector_messages.h"

namespace ximora::vector {

std::unique_ptr<VectorDrawing> loadDxf(const QByteArray& bytes, QString& error) {
    Scene scene;
    if (!readDxf(bytes.toStdString(), scene)) {
        error = vectorReadError(engine::lastError(), QStringLiteral("DXF"));
        return nullptr;
    }
    // One unit a pixel; line weights are what they would be on paper at that size.
    return SceneDrawing::create(std::move(scene), 1, SceneDrawing::Widths::AtNaturalSize, error);
}

}  // namespace ximora::vector
