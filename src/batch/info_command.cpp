// ximora-batch info FILE...: one tab-separated line of facts per readable file. The facts come
// from the headers: a picture of any size costs a few kilobytes of reading.
#include <ostream>

#include "batch/batch_command.h"
#include "batch/drawing_source.h"
#include "engine/codecs/registry.h"
#include "engine/core/error.h"
#include "engine/formats/format_rules.h"

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
        if (isDrawing(path)) {
            // A drawing's own size, as convert rasterises it: 24 bits at 96 dpi.
            int width = 0, height = 0;
            std::string why;
            if (!drawingNaturalSize(path, width, height, why)) {
                err << lineSafe(path) << ": " << why << '\n';
                status = 1;
                continue;
            }
            out << lineSafe(path) << '\t' << width << '\t' << height << "\t24.\t96\t96\t"
                << engine::lowerExtension(path) << '\n';
            continue;
        }
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
