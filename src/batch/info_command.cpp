// ximora-batch info FILE...: one tab-separated line of facts per readable file. The facts come
// from the headers: a picture of any size costs a few kilobytes of reading.
#include <ostream>

#include "batch/batch_command.h"
#include "engine/codecs/registry.h"
#include "engine/core/error.h"

namespace ximora::batch {

int runInfo(const Arguments& args, std::ostream& out, std::ostream& err) {
    int status = 0;
    bool names = false, any = false;
    for (const std::string& path : args) {
        if (!names && path == kEndOfOptions) {
            names = true;
            continue;
        }
        any = true;
        engine::ImageFacts facts;
        engine::FileFormat format = engine::FileFormat::Unknown;
        if (!engine::readImageFacts(path, facts, &format)) {
            reportFileError(err, path, engine::lastError());
            status = 1;
            continue;
        }
        out << lineSafe(path) << '\t' << facts.width << '\t' << facts.height << '\t'
            << facts.colourCode() << ".\t" << facts.dpiX << '\t' << facts.dpiY << '\t'
            << engine::formatExtension(format) << '\n';
    }
    return any ? status : 2;
}

}  // namespace ximora::batch
