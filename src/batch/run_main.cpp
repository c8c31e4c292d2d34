// The program `ximora-batch-run`: `ximora-batch run`, the editor document without windows,
// started by ximora-batch with the arguments it was given.
#include "batch/batch_main.h"

namespace {

constexpr ximora::batch::BatchCommand kCommands[] = {
    {"run", ximora::batch::kRunUsage, ximora::batch::runRun},
};

}  // namespace

int main(int argc, char** argv) { return ximora::batch::batchMain(argc, argv, kCommands); }
