#include "util/shared_values.h"

namespace ximora::util {

SharedValues& shared() {
    static SharedValues values;
    return values;
}

double twipsPerPixelX() { return 1440.0 / (shared().nScrDpiX > 0 ? shared().nScrDpiX : 96); }

double twipsPerPixelY() { return 1440.0 / (shared().nScrDpiY > 0 ? shared().nScrDpiY : 96); }

}  // namespace ximora::util
