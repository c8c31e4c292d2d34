#pragma once
// Converting an image file into another format, as the editor's file conversion does it.

#include <string>

#include "engine/core/image.h"

namespace ximora::engine {

/// Loads `source` and saves it as `target` (UTF-8 paths). The format comes from the target's
/// extension (conversionSaveFormat; no extension means JPEG), the colour conversion from the
/// format rules judged by the loaded image's colour code (a grey picture stays grey), the JPEG
/// quality from `quality` (1 to 100; 0 means 100) whenever JPEG or WebP is written (WebP at 100 is
/// lossless). JPEG 2000 is written lossless. What the target format holds of the picture is kept
/// (format_rules.h: transparency, 16-bit samples, EXIF, XMP and ICC). Errors: those of loading (16
/// when the source does not exist), of the colour conversion and of saving (the target is untouched
/// then); 5 for a quality outside 0 to 100; 4 for a target named as a format the engine only reads
/// (isReadOnlyExtension), which is never written. `sourceFailed` (optional) tells whether a failure
/// concerned the source rather than the target.
bool convertFile(const std::string& source, const std::string& target, int quality,
                 bool* sourceFailed = nullptr);

/// Saves `image` as `target` as convertFile saves a loaded picture (format, colour conversion,
/// quality and errors as there); `image` may be converted on the way.
bool saveConverted(Image& image, const std::string& target, int quality);

}  // namespace ximora::engine
