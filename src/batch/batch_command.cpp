#include "batch/batch_command.h"

#include <ostream>

#include "engine/core/error.h"

namespace ximora::batch {

void reportFileError(std::ostream& err, const std::string& path, int code) {
    err << path << ": error " << code << ": " << engine::errorText(code) << '\n';
}

}  // namespace ximora::batch
