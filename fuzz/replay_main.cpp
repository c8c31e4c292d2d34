// Standalone main for the fuzz harnesses: replays every file of the given folders (or files)
// through LLVMFuzzerTestOneInput, so the regression corpus runs as an ordinary test under any
// compiler. Exits non-zero only by crashing or failing a sanitizer check.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

static void replay(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
}

int main(int argc, char** argv) {
    int count = 0;
    for (int i = 1; i < argc; ++i) {
        const fs::path arg(argv[i]);
        if (fs::is_directory(arg)) {
            for (const auto& entry : fs::recursive_directory_iterator(arg))
                if (entry.is_regular_file()) replay(entry.path()), ++count;
        } else if (fs::is_regular_file(arg)) {
            replay(arg), ++count;
        }
    }
    std::printf("replayed %d inputs\n", count);
    return 0;
}
