#include "batch/drawing_source.h"

#include <charconv>
#include <cmath>

#include "engine/core/error.h"
#include "engine/thumbs/drawing_thumbnails.h"
#include "platform/file_names.h"
#include "vector/offscreen_application.h"
#include "vector/vector_drawing.h"

namespace ximora::batch {
namespace {

constexpr int kDrawingDpi = 96;

bool readNumber(std::string_view text, int& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

void prepareForDrawings() { vector::makeOffscreenApplication("ximora-batch"); }

bool takeDrawingSizeOption(const std::vector<std::string>& args, size_t& i, DrawingSize& size,
                           bool& bad) {
    if ((args[i] != "--size" && args[i] != "--dpi") || i + 1 >= args.size()) return false;
    const std::string_view value = args[i + 1];
    if (args[i] == "--dpi") {
        bad = !readNumber(value, size.dpi) || size.dpi < 1 || size.dpi > 100000;
    } else {
        const size_t x = value.find('x');
        int width = 0, height = 0;
        bad = x == std::string_view::npos || !readNumber(value.substr(0, x), width) ||
              !readNumber(value.substr(x + 1), height) || width < 1 || height < 1 ||
              width > engine::kMaxSide || height > engine::kMaxSide;
        size.pixels = QSize(width, height);
    }
    i += 1;
    return true;
}

bool isDrawing(const std::string& path) { return engine::isDrawingFile(path); }

bool drawingNaturalSize(const std::string& path, QSize& size, QString& why) {
    prepareForDrawings();
    const auto drawing = vector::VectorDrawing::load(platform::decodePath(path), why);
    if (!drawing) return false;
    size = drawing->naturalSize();
    return true;
}

bool rasteriseDrawing(const std::string& path, const DrawingSize& size, engine::Image& out,
                      QString& why, int* skipped) {
    prepareForDrawings();
    const auto drawing = vector::VectorDrawing::load(platform::decodePath(path), why);
    if (!drawing) return false;
    if (skipped) *skipped = drawing->skippedRecords();
    const QSize natural = drawing->naturalSize();
    const int dpi = size.dpi > 0 ? size.dpi : kDrawingDpi;
    QSize pixels = size.pixels;
    if (pixels.isEmpty())
        pixels = QSize(std::max(1, int(std::lround(natural.width() * double(dpi) / kDrawingDpi))),
                       std::max(1, int(std::lround(natural.height() * double(dpi) / kDrawingDpi))));
    engine::Image image;
    if (!drawing->rasterise(pixels, image)) {
        why = QString::fromStdString(engine::lastErrorMessage());
        return false;
    }
    image.dpiX = image.dpiY = size.pixels.isEmpty() ? dpi : kDrawingDpi;
    out = std::move(image);
    return true;
}

std::string skippedRecordsLine(const std::string& path, int skipped) {
    return path + ": drawn without " + std::to_string(skipped) +
           (skipped == 1 ? " record" : " records") + " it could not read\n";
}

}  // namespace ximora::batch
