// WMF files: checked by the engine, converted to SVG by libwmf.
#include "engine/core/error.h"
#include "vector/metafile/metafile_check.h"
#include "vector/metafile/metafile_drawings.h"
#include "vector/metafile/wmf_to_svg.h"
#include "vector/svg/svg_drawing.h"
#include "vector/vector_messages.h"

namespace ximora::vector {

std::unique_ptr<VectorDrawing> loadWmf(const QByteArray& bytes, QString& error) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    MetafileExtent extent;
    if (!checkWmf(data, size_t(bytes.size()), extent)) {
        error = vectorReadError(engine::lastError(), QStringLiteral("WMF"));
        return nullptr;
    }
    // The placeable header's box is the author's stated size; otherwise the records' box.
    WmfSvg converted;
    const WmfResult result =
        wmfToSvg(data, size_t(bytes.size()),
                 {extent.left, extent.top, double(extent.width), double(extent.height)}, converted);
    if (result == WmfResult::NoSize) {
        error = vectorNoSizeError();
        return nullptr;
    }
    std::unique_ptr<VectorDrawing> drawing;
    if (result == WmfResult::Ok)
        drawing = SvgDrawing::create(QByteArray::fromStdString(converted.svg),
                                     QSize(int(converted.width), int(converted.height)));
    if (!drawing) error = vectorReadError(engine::kErrFileBroken, QStringLiteral("WMF"));
    return drawing;
}

}  // namespace ximora::vector
