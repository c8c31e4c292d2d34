#include "batch/batch_main.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>

#include "engine/io/atomic_file.h"
#include "engine/sandbox/program_beside.h"
#include "engine/sandbox/sandboxed_decoding.h"
#include "util/decode_workers.h"

namespace ximora::batch {
namespace {

// Takes --no-sandbox (before the command or among its options) out of the arguments: pictures
// are then decoded in this process (for trusted bulk work, without the workers' start).
bool takeNoSandbox(Arguments& args) {
    const auto end = std::find(args.begin(), args.end(), kEndOfOptions);
    const auto found = std::find(args.begin(), end, "--no-sandbox");
    if (found == end) return false;
    args.erase(found);
    return true;
}

int usage(std::span<const BatchCommand> commands) {
    std::cerr << "usage:\n";
    for (const BatchCommand& command : commands)
        std::cerr << "  ximora-batch " << command.usage << '\n';
    std::cerr << "every command also takes --no-sandbox: pictures are decoded in the program\n"
                 "itself instead of in confined worker processes (for trusted files)\n";
    return 2;
}

// Replaces this process with `program` from this program's folder, given argv as it came.
int handOver(const char* program, char** argv) {
    std::string path = engine::programBeside(program);
    if (path.empty()) {
        std::cerr << "ximora-batch: " << program << " is not installed beside it\n";
        return 1;
    }
    argv[0] = path.data();
    execv(path.c_str(), argv);
    std::cerr << "ximora-batch: " << path << " cannot be started: " << std::strerror(errno) << '\n';
    return 1;
}

// Drawings are read in the drawing worker in either case: this program carries no drawing
// library.
void startWorkers(bool picturesInProcess, const BatchCommand& command) {
    if (!picturesInProcess)
        return util::useDecodeWorkers(true, "ximora-batch", command.workersWhenNeeded,
                                      command.workers);
    engine::DecodeWorkerSettings settings;
    settings.picturesInProcess = true;
    settings.drawingProgram = engine::drawingWorkerProgramBeside();
    engine::startDecodeWorkers(settings);
}

}  // namespace

int batchMain(int argc, char** argv, std::span<const BatchCommand> commands) {
    engine::reportFileSizeLimitAsWriteError();
    Arguments args(argv + 1, argv + argc);
    const bool inProcess = takeNoSandbox(args);
    if (args.empty()) return usage(commands);
    const std::string name = args.front();
    args.erase(args.begin());
    for (const BatchCommand& command : commands) {
        if (command.name != name) continue;
        if (!command.run) return handOver(command.program, argv);
        applyMemorySetting();
        // After the budget: the workers are held to it.
        startWorkers(inProcess, command);
        const int status = command.run(args, std::cout, std::cerr);
        engine::stopDecodeWorkers();
        if (status == 2) std::cerr << "usage: ximora-batch " << command.usage << '\n';
        return status;
    }
    return usage(commands);
}

}  // namespace ximora::batch
