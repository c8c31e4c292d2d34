// libFuzzer harness for the compound file reader and the property set parser under FlashPix:
// every stream of every storage is read and parsed as a property set.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/codecs/flashpix/compound_file.h"
#include "engine/codecs/flashpix/property_set.h"
#include "engine/core/image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace ximora::engine;
    setMemoryLimit(uint64_t(64) << 20);
    CompoundFile file;
    if (!file.open(data, size)) return 0;
    std::vector<int> storages{file.root()};
    for (size_t i = 0; i < storages.size(); ++i)
        for (int entry : file.children(storages[i])) {
            if (file.isStorage(entry)) {
                storages.push_back(entry);
                continue;
            }
            std::vector<uint8_t> bytes;
            PropertySetReader properties;
            if (file.read(entry, bytes) && properties.parse(std::move(bytes))) {
                properties.integers(0x02000003);
                properties.text(6);
                properties.blob(0x03010001);
            }
        }
    return 0;
}
