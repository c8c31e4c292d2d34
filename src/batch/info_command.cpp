// ximora-batch info FILE...: one tab-separated line of facts per readable file. The facts come
// from the headers: a picture of any size costs a few kilobytes of reading.
#include <ostream>

#include "batch/batch_command.h"
#include "engine/codecs/registry.h"
#include "engine/core/error.h"

namespace ximora::batch {

int runInfo(const Arguments& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) return 2;
    int status = 0;
    for (const std::string& path : args) {
        engine::ImageFacts facts;
        engine::FileFormat format = engine::FileFormat::Unknown;
        if (!engine::readImageFacts(path, facts, &format)) {
            reportFileError(err, path, engine::lastError());
            status = 1;
            continue;
        }
        out << path << '\t' << facts.width << '\t' << facts.height << '\t' << facts.colourCode()
            << ".\t" << facts.dpiX << '\t' << facts.dpiY << '\t' << engine::formatExtension(format)
            << '\n';
    }
    return status;
}

}  // namespace ximora::batch
