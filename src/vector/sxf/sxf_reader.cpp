#include "vector/sxf/sxf_reader.h"

#include <algorithm>

#include "engine/core/error.h"
#include "vector/sxf/sfc_records.h"
#include "vector/sxf/sxf_text.h"

namespace ximora::vector {

bool readSxf(std::string_view bytes, Scene& out) {
    out = {};
    const std::string text = sxfTextToUtf8(bytes);
    SxfSheet sheet;
    // Both forms are exchange files; the feature comments tell the SFC form.
    const bool sfc = hasFeatureComments(text);
    if (!(sfc ? readSfc(text, out, sheet) : readP21(text, out, sheet))) return false;
    out.bound();
    // The sheet frames the drawing (an empty one too) unless everything lies outside it; what
    // reaches beyond its edges is framed with it, never cut off.
    const bool onSheet = sheet.width > 0 && sheet.height > 0 &&
                         (out.empty() || (out.max.x >= 0 && out.max.y >= 0 &&
                                          out.min.x <= sheet.width && out.min.y <= sheet.height));
    if (onSheet) {
        const bool drawn = !out.empty();
        out.min = {drawn ? std::min(0.0, out.min.x) : 0, drawn ? std::min(0.0, out.min.y) : 0};
        out.max = {drawn ? std::max(sheet.width, out.max.x) : sheet.width,
                   drawn ? std::max(sheet.height, out.max.y) : sheet.height};
    }
    return true;
}

}  // namespace ximora::vector
