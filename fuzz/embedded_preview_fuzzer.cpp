// Fuzzes the JPEG marker walk and the EXIF thumbnail lookup behind thumbnails of camera files:
// any bytes give a thumbnail or a refusal, never a read outside the file's head.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "engine/codecs/jpeg/jpeg_head.h"
#include "engine/thumbs/embedded_preview.h"

using namespace ximora::engine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    JpegHead head;
    readJpegHead(data, size, head);
    static const std::string path = "/tmp/embedded-preview-fuzz-" + std::to_string(::getpid());
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    Image thumb;
    thumbnailFromEmbeddedPreview(path, 100, thumb);
    std::remove(path.c_str());
    return 0;
}
