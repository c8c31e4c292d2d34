#include "engine/formats/file_conversion.h"

#include "engine/codecs/registry.h"
#include "engine/core/error.h"
#include "engine/formats/format_rules.h"

namespace ximora::engine {

bool convertFile(const std::string& source, const std::string& target, int quality,
                 bool* sourceFailed) {
    if (sourceFailed) *sourceFailed = false;
    if (quality < 0 || quality > 100) return fail(kErrBadParameter);
    Image image;
    if (!loadImage(source, image)) {
        if (sourceFailed) *sourceFailed = true;
        return false;
    }
    std::string extension = lowerExtension(target);
    if (extension.empty()) extension = "jpg";
    if (!prepareForExtension(image, extension, image.bitsPerPixel())) return false;
    SaveOptions options;
    options.format = conversionSaveFormat(extension);
    options.jpegQuality = quality == 0 ? 100 : quality;
    return saveImage(target, image, options);
}

}  // namespace ximora::engine
