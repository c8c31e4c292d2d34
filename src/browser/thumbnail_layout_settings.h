#pragma once
// A thumbnail grid's layout in a settings group: THUMB_LIST for the browser's grid, THUMB for
// the thumbnail window.

#include <QString>

#include "browser/thumbnail_layout_dialog.h"

namespace ximora::browser {

inline const QString kBrowserLayoutGroup = QStringLiteral("THUMB_LIST");
inline const QString kWindowLayoutGroup = QStringLiteral("THUMB");

/// Reads "列数", "行数", "PC_SIZE" and "DISP_NAME" of `group`, each falling back to `defaults`
/// (also when no settings store is open). The browser's defaults are ThumbnailLayout's own
/// (1, 3, 100, false).
ThumbnailLayout loadThumbnailLayout(const QString& group = kBrowserLayoutGroup,
                                    const ThumbnailLayout& defaults = {});
/// Writes the four keys and puts the group back into the settings document in memory.
void storeThumbnailLayout(const ThumbnailLayout& layout,
                          const QString& group = kBrowserLayoutGroup);

}  // namespace ximora::browser
