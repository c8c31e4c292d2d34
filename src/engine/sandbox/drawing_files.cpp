#include "engine/sandbox/drawing_files.h"

#include <cctype>

#include "engine/core/error.h"
#include "engine/sandbox/sandboxed_decoding.h"

namespace ximora::engine {

std::string drawingKindOfPath(std::string_view path) {
    const size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    std::string kind(dot == std::string_view::npos ? name : name.substr(dot + 1));
    for (char& c : kind) c = char(std::toupper(static_cast<unsigned char>(c)));
    return kind;
}

std::string drawingReadError(int code, const std::string& kind) {
    fail(code);
    switch (code) {
        case kErrBadFile:
            return kind + "ﾌｧｲﾙではありません";
        case kErrMemory:
            return "図形が大きすぎます (" + kind + ")";
        default:
            return kind + "ﾌｧｲﾙが壊れています";
    }
}

std::string drawingWorkerError(const std::string& message, const std::string& kind) {
    if (!message.empty()) return message;
    const int code = lastError() ? lastError() : kErrFileBroken;
    const std::string why = lastErrorDetail();
    std::string reason = drawingReadError(code, kind);
    if (!why.empty()) {
        reason += '\n' + why;
        failWithDetail(code, why);
    }
    return reason;
}

bool readDrawingFile(const std::string& path, const DrawingAsk& ask, DrawingFacts& facts,
                     Image& picture, std::string& message) {
    clearLastError();
    FileSource file;
    if (!file.open(path)) {
        const int code = lastError();
        message = "ﾌｧｲﾙを開けません: " + path;
        return fail(code ? code : kErrCannotOpen);
    }
    if (file.size() > uint64_t(kMaxDrawingFileBytes)) {
        message = "ﾌｧｲﾙが大きすぎます: " + path;
        return fail(kErrMemory);
    }
    if (!drawsInWorkers()) {
        message = "ximora-draw がないため、" + ask.kind + "ﾌｧｲﾙを読み込めません\n" + path;
        return fail(kErrUnsupported);
    }
    std::string said;
    if (workerDrawing(file, ask, facts, picture, said)) return true;
    message = drawingWorkerError(said, ask.kind) + '\n' + path;
    return false;
}

}  // namespace ximora::engine
