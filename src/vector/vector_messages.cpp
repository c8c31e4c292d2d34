#include "vector/vector_messages.h"

#include "engine/core/error.h"

namespace ximora::vector {

QString vectorReadError(int code, const QString& kind) {
    engine::fail(code);
    switch (code) {
        case engine::kErrBadFile:
            return QStringLiteral("%1ﾌｧｲﾙではありません").arg(kind);
        case engine::kErrMemory:
            return QStringLiteral("図形が大きすぎます (%1)").arg(kind);
        default:
            return QStringLiteral("%1ﾌｧｲﾙが壊れています").arg(kind);
    }
}

QString vectorNoSizeError() {
    engine::fail(engine::kErrFileBroken);
    return QStringLiteral("図形の大きさがありません");
}

}  // namespace ximora::vector
