#pragma once
// What a file's extension means for saving: the engine's save format code and the colour
// depths the format accepts.

#include <QString>

#include "engine/core/image.h"

namespace ximora::editor {

/// The save format code for a lower-case extension ("bmp" 1, "jpg" 2, ...; 0 for others).
int saveFormatForExtension(const QString& ext);

/// Converts `image` to a colour depth the extension's format accepts (no change when it does).
/// On failure the image is unchanged and the engine's last error says why.
bool convertForExtension(engine::Image& image, const QString& ext);

}  // namespace ximora::editor
