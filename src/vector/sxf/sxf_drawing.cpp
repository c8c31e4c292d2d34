#include "vector/sxf/sxf_drawing.h"

#include "engine/core/error.h"
#include "vector/scene/scene_drawing.h"
#include "vector/sxf/sxf_reader.h"
#include "vector/vector_messages.h"

namespace ximora::vector {

std::unique_ptr<VectorDrawing> loadSxf(const QByteArray& bytes, QString& error) {
    Scene scene;
    if (!readSxf(std::string_view(bytes.constData(), size_t(bytes.size())), scene)) {
        error = vectorReadError(engine::lastError(), QStringLiteral("SXF"));
        return nullptr;
    }
    // Millimetres on the sheet, at 96 pixels per inch; line widths as stated.
    scene.unitsPerMm = 1;
    return SceneDrawing::create(std::move(scene), 96 / 25.4, SceneDrawing::Widths::AsStated, error);
}

}  // namespace ximora::vector
