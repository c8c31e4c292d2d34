// ximora-batch info FILE...: one tab-separated line of facts per readable file.
#include <ostream>

#include "batch/batch_command.h"
#include "engine/codecs/registry.h"
#include "engine/core/error.h"

namespace ximora::batch {

int runInfo(const Arguments& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) return 2;
    int status = 0;
    for (const std::string& path : args) {
        engine::Image image;
        engine::FileFormat format = engine::FileFormat::Unknown;
        if (!engine::loadImage(path, image, {}, &format)) {
            reportFileError(err, path, engine::lastError());
            status = 1;
            continue;
        }
        out << path << '\t' << image.width() << '\t' << image.height() << '\t' << image.colourCode()
            << ".\t" << image.dpiX << '\t' << image.dpiY << '\t' << engine::formatExtension(format)
            << '\n';
    }
    return status;
}

}  // namespace ximora::batch
