// The program `ximora-batch`: the engine and the editor document without windows. It never
// opens a display connection.
#include <iostream>

#include "batch/batch_command.h"
#include "engine/io/atomic_file.h"

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

int usage() {
    std::cerr << "usage:\n";
    for (const BatchCommand& command : kCommands)
        std::cerr << "  ximora-batch " << command.usage << '\n';
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    ximora::engine::reportFileSizeLimitAsWriteError();
    if (argc < 2) return usage();
    const std::string_view name = argv[1];
    for (const BatchCommand& command : kCommands) {
        if (command.name != name) continue;
        const ximora::batch::Arguments args(argv + 2, argv + argc);
        ximora::batch::applyMemorySetting();
        const int status = command.run(args, std::cout, std::cerr);
        if (status == 2) std::cerr << "usage: ximora-batch " << command.usage << '\n';
        return status;
    }
    return usage();
}
