// EMF files: checked by the engine, converted to SVG by libemf2svg.
#include <emf2svg.h>

#include <cstdlib>
#include <mutex>

#include "engine/core/error.h"
#include "vector/metafile/metafile_check.h"
#include "vector/metafile/metafile_drawings.h"
#include "vector/svg/svg_drawing.h"
#include "vector/vector_messages.h"

namespace ximora::vector {

std::unique_ptr<VectorDrawing> loadEmf(const QByteArray& bytes, QString& error) {
    MetafileExtent extent;
    if (!checkEmf(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()),
                  extent)) {
        error = vectorReadError(engine::lastError(), QStringLiteral("EMF"));
        return nullptr;
    }
    if (extent.width < 1 || extent.height < 1) {
        error = vectorNoSizeError();
        return nullptr;
    }
    QByteArray input = bytes;  // the converter takes a writable buffer
    char nameSpace[] = "";
    generatorOptions options{};
    options.nameSpace = nameSpace;
    options.verbose = false;
    options.emfplus = true;
    options.svgDelimiter = true;
    options.imgWidth = extent.width;
    options.imgHeight = extent.height;
    char* svg = nullptr;
    size_t length = 0;
    int converted = 0;
    {
        // Thumbnails are made on several threads; the converter is not known to allow that.
        static std::mutex libemf2svg;
        const std::lock_guard lock(libemf2svg);
        converted = emf2svg(input.data(), size_t(input.size()), &svg, &length, &options);
    }
    std::unique_ptr<VectorDrawing> drawing;
    if (converted && svg)
        drawing = SvgDrawing::create(QByteArray(svg, qsizetype(length)),
                                     QSize(extent.width, extent.height));
    std::free(svg);
    if (!drawing) error = vectorReadError(engine::kErrFileBroken, QStringLiteral("EMF"));
    return drawing;
}

}  // namespace ximora::vector
