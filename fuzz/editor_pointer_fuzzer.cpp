// A drag pointer's hot spot read from the header of an XPM picture the user may have replaced:
// any bytes give no hot spot or one inside the picture.
#include <QByteArray>
#include <cstdint>
#include <cstdlib>

#include "editor/view/drag_pointers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (const auto spot = ximora::editor::xpmHotSpot(text);
        spot && (spot->x() < 0 || spot->y() < 0))
        std::abort();
    return 0;
}
