#pragma once
// The user's messages for drawings that cannot be taken over.

#include <QString>

namespace ximora::vector {

/// Why a drawing of `kind` ("WMF", "EMF", "DXF") could not be read, from an engine error code.
QString vectorReadError(int code, const QString& kind);
/// The drawing states no size (or an empty one).
QString vectorNoSizeError();

}  // namespace ximora::vector
