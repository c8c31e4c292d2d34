#include "engine/formats/file_conversion.h"

#include "engine/codecs/bmp/bmp_file_rows.h"
#include "engine/codecs/registry.h"
#include "engine/core/error.h"
#include "engine/formats/format_rules.h"

namespace ximora::engine {
namespace {

// An uncompressed bitmap is written row by row as the source is decoded, without the picture
// in memory, when the source's decoder hands over rows the bitmap takes as they are (see
// BmpFileRowSink). True only when the target was written whole; otherwise the target is as
// it was, and the whole-image path converts the file or says why it cannot.
bool convertToBmpByRows(const std::string& source, const std::string& target) {
    BmpFileRowSink sink(target);
    return decodeFileRows(source, sink) && sink.finish();
}

}  // namespace

bool saveConverted(Image& image, const std::string& target, int quality) {
    if (quality < 0 || quality > 100) return fail(kErrBadParameter);
    std::string extension = lowerExtension(target);
    if (extension.empty()) extension = "jpg";
    // A name of a format the engine only reads would hold other bytes than it says.
    if (isReadOnlyExtension(extension)) return fail(kErrUnsupported);
    // Judged by the colour code, so that grey levels stay grey where the format holds them.
    if (!prepareForExtension(image, extension, image.colourCode())) return false;
    SaveOptions options;
    options.format = conversionSaveFormat(extension);
    options.jpegQuality = quality == 0 ? 100 : quality;
    return saveImage(target, image, options);
}

bool convertFile(const std::string& source, const std::string& target, int quality,
                 bool* sourceFailed) {
    if (sourceFailed) *sourceFailed = false;
    if (quality < 0 || quality > 100) return fail(kErrBadParameter);
    std::string extension = lowerExtension(target);
    if (extension.empty()) extension = "jpg";
    if (isReadOnlyExtension(extension)) return fail(kErrUnsupported);
    if (conversionSaveFormat(extension) == kSaveBmp && convertToBmpByRows(source, target))
        return true;
    Image image;
    if (!loadImage(source, image)) {
        if (sourceFailed) *sourceFailed = true;
        return false;
    }
    return saveConverted(image, target, quality);
}

}  // namespace ximora::engine
