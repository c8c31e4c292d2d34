#include "engine/codecs/jpeg/jpeg_error.h"

#include <jerror.h>

#include "engine/core/error.h"

namespace ximora::engine {
namespace {

constexpr int kMaxScans = 1000;

int engineCode(int messageCode) {
    switch (messageCode) {
        case JERR_NO_SOI:
            return kErrBadFile;
        case JERR_INPUT_EMPTY:
        case JERR_INPUT_EOF:
            return kErrCannotRead;
        case JERR_OUT_OF_MEMORY:
        case JERR_NO_BACKING_STORE:
        case JERR_IMAGE_TOO_BIG:
        case JERR_WIDTH_OVERFLOW:
            return kErrMemory;
        default:
            return kErrFileBroken;
    }
}

void errorExit(j_common_ptr cinfo) {
    auto* trap = reinterpret_cast<JpegErrorTrap*>(cinfo->err);
    trap->code = engineCode(cinfo->err->msg_code);
    (*cinfo->err->format_message)(cinfo, trap->message);
    std::longjmp(trap->jump, 1);
}

void emitMessage(j_common_ptr cinfo, int level) {
    // Level -1 is a warning about damaged data. Only a premature end matters: the rest of the
    // picture would be invented grey, so the load fails, or shows it marked as cut short.
    if (level == -1 && cinfo->err->msg_code == JWRN_JPEG_EOF) {
        auto* trap = reinterpret_cast<JpegErrorTrap*>(cinfo->err);
        trap->truncated = true;
        (*cinfo->err->format_message)(cinfo, trap->message);
    }
}

void outputMessage(j_common_ptr) {}

void checkScans(j_common_ptr cinfo) {
    if (cinfo->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) {
        cinfo->err->msg_code = JERR_BAD_PROGRESSION;
        errorExit(cinfo);
    }
}

}  // namespace

jpeg_error_mgr* installJpegErrors(JpegErrorTrap& trap) {
    jpeg_error_mgr* manager = jpeg_std_error(&trap.manager);
    manager->error_exit = errorExit;
    manager->emit_message = emitMessage;
    manager->output_message = outputMessage;
    trap.code = 0;
    trap.truncated = false;
    trap.message[0] = '\0';
    return manager;
}

void limitJpegScans(jpeg_decompress_struct& cinfo, jpeg_progress_mgr& progress) {
    progress.progress_monitor = checkScans;
    cinfo.progress = &progress;
}

}  // namespace ximora::engine
