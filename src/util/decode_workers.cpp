#include "util/decode_workers.h"

#include <cstdio>

#include "engine/sandbox/sandboxed_decoding.h"

namespace ximora::util {

void useDecodeWorkers(bool on, const char* program, bool readyLater, int workers) {
    if (!on) {
        engine::stopDecodeWorkers();
        return;
    }
    if (engine::decodesInWorkers()) return;
    engine::DecodeWorkerSettings settings;
    settings.program = engine::decodeWorkerProgramBeside();
    settings.readyAtOnce = !readyLater;
    settings.workers = workers;
    // Without the drawing worker, drawings are read in the program, as they were.
    settings.drawingProgram = engine::drawingWorkerProgramBeside();
    if (!engine::startDecodeWorkers(settings))
        std::fprintf(stderr, "%s: ximora-decode がないため、画像をﾌﾟﾛｸﾞﾗﾑ内で読み込みます\n",
                     program);
}

}  // namespace ximora::util
