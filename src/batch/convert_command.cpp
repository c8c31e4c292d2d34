// ximora-batch convert [--quality N] SOURCE TARGET: the editor's file conversion.
#include <charconv>
#include <ostream>

#include <QFile>
#include "batch/batch_command.h"

#include "editor/document/save_questions.h"
#include "engine/codecs/page_count.h"
#include "engine/core/error.h"
#include "engine/formats/file_conversion.h"
#include "platform/file_names.h"

namespace ximora::batch {

int runConvert(const Arguments& args, std::ostream&, std::ostream& err) {
    int quality = 0;
    bool force = false;
    std::vector<std::string> paths;
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
    if (!force && editor::isReadOnlyFile(platform::decodePath(paths[1]))) {
        err << "ximora-batch: " << lineSafe(paths[1])
            << ": read-only; not replaced (--force replaces it)\n";
        return 1;
    }
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
