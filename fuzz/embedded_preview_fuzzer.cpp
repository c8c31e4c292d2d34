// Fuzzes the JPEG marker walk and the EXIF thumbnail lookup behind thumbnails of camera files:
// any bytes give a thumbnail or a refusal, never a read outside the file's head.
#include <cstdint>

#include "engine/codecs/jpeg/jpeg_head.h"
#include "engine/io/byte_source.h"
#include "engine/thumbs/embedded_preview.h"

using namespace ximora::engine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    JpegHead head;
    readJpegHead(data, size, head);
    MemorySource file(data, size);
    Image thumb;
    thumbnailFromEmbeddedPreview(file, 100, thumb);
    return 0;
}
