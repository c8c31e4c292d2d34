#include "vector/vector_messages.h"

#include "engine/core/error.h"

namespace ximora::vector {

QString vectorReadError(int code, const QString& kind) {
    switch (code) {
        case engine::kErrBadFile:
            return QStringLiteral("%1ﾌｧｲﾙではありません").arg(kind);
        case engine::kErrMemory:
            return QStringLiteral("図形が大きすぎます (%1)").arg(kind);
        default:
            return QStringLiteral("%1ﾌｧｲﾙが壊れています").arg(kind);
    }
}

QString vectorNoSizeError() { return QStringLiteral("図形の大きさがありません"); }

}  // namespace ximora::vector
