// The program `ximora-batch`: the engine and the editor document without windows. It never
// opens a display connection.
#include <algorithm>
#include <iostream>

#include "batch/batch_command.h"
#include "engine/io/atomic_file.h"
#include "util/decode_workers.h"

namespace {

using ximora::batch::BatchCommand;

// One line per subcommand.
constexpr BatchCommand kCommands[] = {
    {"info", "info FILE...", ximora::batch::runInfo},
    {"convert", "convert [--quality N] [--force] [--size WxH | --dpi N] SOURCE TARGET",
     ximora::batch::runConvert},
    {"thumbs", "thumbs [--size N] [--beside] (DIR... | -)", ximora::batch::runThumbs},
    {"run",
     "run (-c \"GROUP⇒JOB\")... [--macro TITLE --settings USER.XML] (--out DIR | --in-place) "
     "[--force] [--trace] [--status] (FILE... | -)",
     ximora::batch::runRun},
};

// Takes --no-sandbox (before the command or among its options) out of the arguments: files are
// then decoded in this process (for trusted bulk work, without the workers' start).
bool takeNoSandbox(ximora::batch::Arguments& args) {
    const auto end = std::find(args.begin(), args.end(), ximora::batch::kEndOfOptions);
    const auto found = std::find(args.begin(), end, "--no-sandbox");
    if (found == end) return false;
    args.erase(found);
    return true;
}

int usage() {
    std::cerr << "usage:\n";
    for (const BatchCommand& command : kCommands)
        std::cerr << "  ximora-batch " << command.usage << '\n';
    std::cerr << "every command also takes --no-sandbox: files are decoded in ximora-batch itself\n"
                 "instead of in confined worker processes (for trusted files)\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    ximora::engine::reportFileSizeLimitAsWriteError();
    ximora::batch::Arguments args(argv + 1, argv + argc);
    const bool inProcess = takeNoSandbox(args);
    if (args.empty()) return usage();
    const std::string name = args.front();
    args.erase(args.begin());
    for (const BatchCommand& command : kCommands) {
        if (command.name != name) continue;
        ximora::batch::applyMemorySetting();
        // After the budget: the workers are held to it.
        ximora::util::useDecodeWorkers(!inProcess, "ximora-batch");
        const int status = command.run(args, std::cout, std::cerr);
        ximora::util::useDecodeWorkers(false);
        if (status == 2) std::cerr << "usage: ximora-batch " << command.usage << '\n';
        return status;
    }
    return usage();
}
