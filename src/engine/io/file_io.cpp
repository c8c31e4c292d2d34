#include "engine/io/file_io.h"

#include <algorithm>

#include "engine/core/error.h"
#include "engine/io/byte_source.h"

namespace ximora::engine {

bool readWholeFile(const std::string& path, std::vector<uint8_t>& out) {
    FileSource file;
    return file.open(path) && readWholeSource(file, out);
}

bool readFileHead(const std::string& path, size_t maxBytes, std::vector<uint8_t>& out) {
    FileSource file;
    if (!file.open(path)) return false;
    std::vector<uint8_t> head;
    readHead(file, maxBytes, head);
    if (head.size() < std::min<uint64_t>(file.size(), maxBytes)) return fail(kErrCannotRead);
    out = std::move(head);
    return true;
}

}  // namespace ximora::engine
