#include "editor/print/print_layout.h"

#include <algorithm>
#include <cmath>

namespace ximora::editor {

PrintSize paperSize(int widthPixels, int heightPixels, int dpiX, int dpiY) {
    const double x = dpiX > 0 ? dpiX : 72, y = dpiY > 0 ? dpiY : 72;
    return {int(std::lround(widthPixels / x * 254)), int(std::lround(heightPixels / y * 254))};
}

PrintSize fitToPrintable(PrintSize size, double printableWidth, double printableHeight) {
    if (size.width <= 0 || size.height <= 0) return size;
    const double scale = std::min(printableWidth / size.width, printableHeight / size.height);
    if (scale > 0 && scale < 1)
        return {int(std::lround(size.width * scale)), int(std::lround(size.height * scale))};
    return size;
}

}  // namespace ximora::editor
