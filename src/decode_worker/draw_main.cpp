// ximora-draw: the confined worker for drawings (WMF, EMF, DXF, SVG, SXF). It paints with Qt,
// so it carries a GUI application on the offscreen platform, made before it is confined.
#include <QFontDatabase>

#include "decode_worker/worker_main.h"
#include "engine/core/image.h"
#include "vector/drawing_raster.h"
#include "vector/drawing_service.h"
#include "vector/offscreen_application.h"
#include "vector/vector_drawing.h"

namespace {

// What the libraries read once, on their first drawing (Qt's platform plugin, the font
// configuration and its caches, librsvg's and Pango's set-up), is read here, before the worker
// is confined: one small drawing with a text is painted.
void prepareForDrawings() {
    ximora::vector::makeOffscreenApplication("ximora-draw");
    static_cast<void>(QFontDatabase::families());
    QString reason;
    const auto sample = ximora::vector::VectorDrawing::fromBytes(
        QByteArrayLiteral("<svg xmlns='http://www.w3.org/2000/svg' width='8' height='8'>"
                          "<text x='0' y='8' font-size='8'>a</text></svg>"),
        QStringLiteral("SVG"), reason);
    ximora::engine::Image picture;
    if (sample) ximora::vector::paintDrawing(*sample, QSize(8, 8), picture);
    ximora::vector::installDrawingReader();
}

}  // namespace

int main(int argc, char** argv) {
    return ximora::decode::runWorker(argc, argv, "ximora-draw", prepareForDrawings);
}
