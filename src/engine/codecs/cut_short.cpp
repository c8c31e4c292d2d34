#include "engine/codecs/cut_short.h"

#include <string>

#include "engine/core/error.h"

namespace ximora::engine {

bool failCutShort(int width, int height, int rows) {
    return failWithDetail(kErrCannotRead, "the header says " + std::to_string(width) + " x " +
                                              std::to_string(height) + " but the file ends after " +
                                              std::to_string(rows) +
                                              (rows == 1 ? " row" : " rows"));
}

}  // namespace ximora::engine
