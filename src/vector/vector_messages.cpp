#include "vector/vector_messages.h"

#include "engine/core/error.h"
#include "engine/sandbox/drawing_files.h"

namespace ximora::vector {

QString vectorReadError(int code, const QString& kind) {
    return QString::fromStdString(engine::drawingReadError(code, kind.toStdString()));
}

QString vectorNoSizeError() {
    engine::fail(engine::kErrFileBroken);
    return QStringLiteral("図形の大きさがありません");
}

}  // namespace ximora::vector
