#pragma once
// Storing the picture into the storage folder under the next serial name ("連番をつけて保存"
// of the menu "格納"): a new file every time, never one that is already there.

#include <QString>

#include "engine/core/image.h"

namespace ximora::app {

/// Saves a copy of `image` into `folder` as prefix + next number + "." + ext (result_naming.h;
/// an empty extension is "jpg"), converted to the depth the format needs (keeping what it can
/// hold), JPEG quality `quality`. A name taken meanwhile (another program storing into the same
/// folder) moves on to the next number. Returns the path written; on failure `path` is the name
/// tried and the engine's last error says why. Refuses an extension of a format the program
/// only reads (error 4).
bool storeImage(const engine::Image& image, const QString& folder, const QString& prefix,
                const QString& ext, int quality, QString& path);

}  // namespace ximora::app
