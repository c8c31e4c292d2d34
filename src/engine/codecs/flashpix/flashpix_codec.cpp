// The FlashPix format, version 1.0.1 (Digital Imaging Group, 1997), kept by the International
// Imaging Industry Association: http://www.i3a.org/technologies/image-formats/flashpix
// Its container: [MS-CFB] https://learn.microsoft.com/en-us/openspecs/windows_protocols/ms-cfb/
#include "engine/codecs/flashpix/flashpix_codec.h"

#include <algorithm>
#include <cstdio>

#include "engine/codecs/flashpix/compound_file.h"
#include "engine/codecs/flashpix/flashpix_format.h"
#include "engine/core/error.h"

namespace ximora::engine {

namespace flashpix {

bool isFlashPixClass(const ClassId& id) {
    const ClassId family = imageViewClass();
    return std::equal(id.begin() + 4, id.end(), family.begin() + 4);
}

std::string resolutionName(int level) {
    char name[20];
    std::snprintf(name, sizeof name, "Resolution %04d", level);
    return name;
}

}  // namespace flashpix

bool matchesFlashPix(const uint8_t* data, size_t size) {
    if (!CompoundFile::hasSignature(data, size)) return false;
    CompoundFile file;
    const int saved = lastError();
    const bool opened = file.open(data, size);
    setLastError(saved);
    if (!opened) return true;
    if (flashpix::isFlashPixClass(file.classId(file.root()))) return true;
    const int store = file.child(file.root(), flashpix::kImageStore);
    return file.child(file.root(), flashpix::kImageContents) != CompoundFile::kNoEntry ||
           (store != CompoundFile::kNoEntry &&
            file.child(store, flashpix::kImageContents) != CompoundFile::kNoEntry);
}

const Codec& flashPixCodec() {
    static const Codec codec{FileFormat::FlashPix, "fpx",          matchesFlashPix,
                             decodeFlashPix,       encodeFlashPix, {kSaveFpx, kSaveFpxCompressed}};
    return codec;
}

}  // namespace ximora::engine
