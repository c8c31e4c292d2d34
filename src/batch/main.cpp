// The program `ximora-batch`: the engine without windows. It never opens a display connection,
// and `run`, which works on editor documents, is carried out by ximora-batch-run beside it.
#include "batch/batch_main.h"

namespace {

using ximora::batch::BatchCommand;

// One line per subcommand.
constexpr BatchCommand kCommands[] = {
    {"info", "info FILE...", ximora::batch::runInfo, nullptr, 1},
    {"convert", "convert [--quality N] [--force] [--size WxH | --dpi N] SOURCE TARGET",
     ximora::batch::runConvert, nullptr, 1},
    {"thumbs", "thumbs [--size N] [--beside] (DIR... | -)", ximora::batch::runThumbs, nullptr, 0,
     true},
    {"run", ximora::batch::kRunUsage, nullptr, "ximora-batch-run"},
};

}  // namespace

int main(int argc, char** argv) { return ximora::batch::batchMain(argc, argv, kCommands); }
