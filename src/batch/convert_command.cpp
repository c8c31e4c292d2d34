// ximora-batch convert [--quality N] [--size WxH | --dpi N] SOURCE TARGET: the editor's file
// conversion; a drawing is rasterised first, at its own size or as given.
#include <charconv>
#include <ostream>

#include "batch/batch_command.h"
#include "batch/drawing_source.h"
#include "engine/codecs/page_count.h"
#include "engine/core/error.h"
#include "engine/formats/file_conversion.h"
#include "platform/file_names.h"

namespace ximora::batch {
namespace {

int convertDrawing(const std::string& source, const std::string& target, const DrawingSize& size,
                   int quality, std::ostream& err) {
    engine::Image picture;
    std::string why;
    int skipped = 0;
    if (!rasteriseDrawing(source, size, picture, why, &skipped)) {
        err << lineSafe(source) << ": " << why << '\n';
        return 1;
    }
    if (!engine::saveConverted(picture, target, quality)) {
        reportFileError(err, target, engine::lastError());
        return 1;
    }
    if (skipped > 0) err << skippedRecordsLine(lineSafe(source), skipped);
    return 0;
}

}  // namespace

int runConvert(const Arguments& args, std::ostream&, std::ostream& err) {
    int quality = 0;
    bool force = false;
    std::vector<std::string> paths;
    DrawingSize drawingSize;
    bool names = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (names) {
            paths.push_back(args[i]);
            continue;
        }
        if (args[i] == kEndOfOptions) {
            names = true;
            continue;
        }
        if (args[i] == "--force") {
            force = true;
            continue;
        }
        bool badSize = false;
        if (takeDrawingSizeOption(args, i, drawingSize, badSize)) {
            if (badSize) {
                err << "ximora-batch convert: --size takes WIDTHxHEIGHT, --dpi a number above 0\n";
                return 2;
            }
            continue;
        }
        if (args[i] == "--quality" && i + 1 < args.size()) {
            const std::string& value = args[++i];
            const auto [end, error] =
                std::from_chars(value.data(), value.data() + value.size(), quality);
            if (error != std::errc() || end != value.data() + value.size() || quality < 0 ||
                quality > 100) {
                err << "ximora-batch convert: --quality takes 0 to 100 (0 means 100)\n";
                return 2;
            }
        } else {
            paths.push_back(args[i]);
        }
    }
    if (paths.size() != 2) return 2;
    // A read-only target is replaced only when the command says so.
    if (!force && platform::isReadOnlyFile(platform::decodePath(paths[1]))) {
        err << "ximora-batch: " << lineSafe(paths[1])
            << ": read-only; not replaced (--force replaces it)\n";
        return 1;
    }
    const bool drawing = isDrawing(paths[0]);
    if (!drawing && (drawingSize.givesPixels() || drawingSize.dpi > 0)) {
        err << "ximora-batch convert: --size and --dpi apply to drawings only\n";
        return 2;
    }
    if (drawing) return convertDrawing(paths[0], paths[1], drawingSize, quality, err);
    bool sourceFailed = false;
    if (!engine::convertFile(paths[0], paths[1], quality, &sourceFailed)) {
        reportFileError(err, sourceFailed ? paths[0] : paths[1], engine::lastError());
        return 1;
    }
    // Only the first page of a file of several is converted: said, never silently dropped.
    if (const int pages = engine::countFilePages(paths[0]); pages > 1)
        err << "ximora-batch: " << lineSafe(paths[0]) << ": 1 of " << pages << " pages written to "
            << lineSafe(paths[1]) << "\n";
    return 0;
}

}  // namespace ximora::batch
