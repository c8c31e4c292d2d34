#include "batch/drawing_source.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "engine/core/error.h"
#include "engine/sandbox/drawing_files.h"
#include "engine/thumbs/drawing_thumbnails.h"

namespace ximora::batch {
namespace {

constexpr int kDrawingDpi = 96;

bool readNumber(std::string_view text, int& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// The reader's message for a terminal: the line breaks of the window's boxes ("\r") as spaces.
std::string forTerminal(std::string text) {
    std::replace(text.begin(), text.end(), '\r', ' ');
    return text;
}

bool readDrawing(const std::string& path, const engine::DrawingAsk& ask,
                 engine::DrawingFacts& facts, engine::Image& picture, std::string& why) {
    std::string message;
    if (engine::readDrawingFile(path, ask, facts, picture, message)) return true;
    why = forTerminal(std::move(message));
    return false;
}

}  // namespace

bool takeDrawingSizeOption(const std::vector<std::string>& args, size_t& i, DrawingSize& size,
                           bool& bad) {
    if ((args[i] != "--size" && args[i] != "--dpi") || i + 1 >= args.size()) return false;
    const std::string_view value = args[i + 1];
    if (args[i] == "--dpi") {
        bad = !readNumber(value, size.dpi) || size.dpi < 1 || size.dpi > 100000;
    } else {
        const size_t x = value.find('x');
        bad = x == std::string_view::npos || !readNumber(value.substr(0, x), size.width) ||
              !readNumber(value.substr(x + 1), size.height) || size.width < 1 || size.height < 1 ||
              size.width > engine::kMaxSide || size.height > engine::kMaxSide;
    }
    i += 1;
    return true;
}

bool isDrawing(const std::string& path) { return engine::isDrawingFile(path); }

bool drawingNaturalSize(const std::string& path, int& width, int& height, std::string& why) {
    engine::DrawingAsk ask;
    ask.kind = engine::drawingKindOfPath(path);
    engine::DrawingFacts facts;
    engine::Image none;
    if (!readDrawing(path, ask, facts, none, why)) return false;
    width = facts.width;
    height = facts.height;
    return true;
}

bool rasteriseDrawing(const std::string& path, const DrawingSize& size, engine::Image& out,
                      std::string& why, int* skipped) {
    engine::DrawingAsk ask;
    ask.kind = engine::drawingKindOfPath(path);
    engine::DrawingFacts facts;
    engine::Image painted;
    const int dpi = size.dpi > 0 ? size.dpi : kDrawingDpi;
    if (size.givesPixels()) {
        ask.width = size.width;
        ask.height = size.height;
    } else {
        // The drawing's own size first, then painted at it (scaled to the resolution asked).
        if (!readDrawing(path, ask, facts, painted, why)) return false;
        const auto scaled = [dpi](int side) {
            return std::max(1, int(std::lround(side * double(dpi) / kDrawingDpi)));
        };
        ask.width = scaled(facts.width);
        ask.height = scaled(facts.height);
    }
    if (ask.width > engine::kMaxSide || ask.height > engine::kMaxSide) {
        why = engine::drawingReadError(engine::kErrMemory, ask.kind);
        return false;
    }
    if (!readDrawing(path, ask, facts, painted, why)) return false;
    if (painted.bitsPerPixel() != 24 || painted.width() != ask.width ||
        painted.height() != ask.height) {
        engine::failWithDetail(engine::kErrFileBroken,
                               "the decoder stopped: it painted another size");
        why = engine::drawingReadError(engine::kErrFileBroken, ask.kind) + " (" +
              engine::lastErrorDetail() + ")";
        return false;
    }
    if (skipped) *skipped = facts.skippedRecords;
    painted.dpiX = painted.dpiY = size.givesPixels() ? kDrawingDpi : dpi;
    out = std::move(painted);
    return true;
}

std::string skippedRecordsLine(const std::string& path, int skipped) {
    return path + ": drawn without " + std::to_string(skipped) +
           (skipped == 1 ? " record" : " records") + " it could not read\n";
}

}  // namespace ximora::batch
