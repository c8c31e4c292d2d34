#pragma once
// The user's messages for drawings that cannot be taken over. Each also sets the engine's last
// error, so that callers without a user (thumbnails) know the reason too.

#include <QString>

namespace ximora::vector {

/// Why a drawing of `kind` ("WMF", "SVG", "SXF"...) could not be read, from an engine error
/// code (which becomes the last error).
QString vectorReadError(int code, const QString& kind);
/// The drawing states no size (or an empty one); the last error becomes 17 (damaged).
QString vectorNoSizeError();

}  // namespace ximora::vector
