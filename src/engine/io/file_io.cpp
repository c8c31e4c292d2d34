#include "engine/io/file_io.h"

#include "engine/io/byte_source.h"

namespace ximora::engine {

bool readWholeFile(const std::string& path, std::vector<uint8_t>& out) {
    FileSource file;
    return file.open(path) && readWholeSource(file, out);
}

}  // namespace ximora::engine
