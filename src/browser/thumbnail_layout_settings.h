#pragma once
// The browser grid's layout in the settings group THUMB_LIST.

#include "browser/thumbnail_layout_dialog.h"

namespace ximora::browser {

/// Reads "列数", "行数", "PC_SIZE" and "DISP_NAME" of THUMB_LIST (defaults 1, 3, 100, false;
/// the defaults when no settings store is open).
ThumbnailLayout loadThumbnailLayout();
/// Writes the four keys and puts the group back into the settings document in memory.
void storeThumbnailLayout(const ThumbnailLayout& layout);

}  // namespace ximora::browser
