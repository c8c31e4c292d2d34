#include "engine/thumbs/drawing_thumbnails.h"

#include <atomic>
#include <cctype>

#include "engine/core/error.h"
#include "engine/sandbox/drawing_files.h"
#include "engine/sandbox/sandboxed_decoding.h"

namespace ximora::engine {

namespace {
std::atomic<DrawingRasteriser> installed{nullptr};
}  // namespace

void setDrawingRasteriser(DrawingRasteriser rasteriser) { installed.store(rasteriser); }

bool isDrawingFile(std::string_view path) {
    const size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return false;
    std::string ext;
    for (char c : name.substr(dot + 1)) ext += char(std::toupper(static_cast<unsigned char>(c)));
    return ext == "WMF" || ext == "EMF" || ext == "DXF" || ext == "SVG" || ext == "SFC" ||
           ext == "P21";
}

bool drawingThumbnail(const std::string& path, int size, Image& thumb) {
    if (drawsInWorkers()) {
        // One request to the drawing worker: read and painted there.
        if (size < 1 || size > kMaxSide) return fail(kErrBadParameter);
        DrawingAsk ask;
        ask.kind = drawingKindOfPath(path);
        ask.fit = size;
        DrawingFacts facts;
        std::string message;
        return readDrawingFile(path, ask, facts, thumb, message);
    }
    const DrawingRasteriser rasteriser = installed.load();
    if (!rasteriser) return fail(kErrUnsupported);
    return rasteriser(path, size, thumb);
}

}  // namespace ximora::engine
