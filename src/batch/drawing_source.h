#pragma once
// Drawings (WMF, EMF, DXF, SVG, SFC, P21) as pictures for ximora-batch: rasterised on white by
// the same vector layer as the viewer and the thumbnails, at the drawing's own size (96 pixels
// to the inch) or at a size or resolution the command gives.

#include <QSize>
#include <QString>
#include <string>

#include "engine/core/image.h"

namespace ximora::batch {

struct DrawingSize {
    QSize pixels;  ///< a size given (--size WxH); empty for none
    int dpi = 0;   ///< a resolution given (--dpi N); 0 for the drawing's own 96
};

/// Reads "--size WxH" and "--dpi N" at args[i] (advancing i past the value); true when args[i]
/// was one of them. A bad value sets `bad`.
bool takeDrawingSizeOption(const std::vector<std::string>& args, size_t& i, DrawingSize& size,
                           bool& bad);

/// Sets up what painting drawings needs (a GUI application object on the offscreen platform,
/// which opens no display). Called on the main thread before drawings are painted on others;
/// the functions below call it themselves when it was not.
void prepareForDrawings();

/// Whether `path` names a drawing (by its extension).
bool isDrawing(const std::string& path);

/// The size the drawing states for itself, in pixels at 96 dpi; false with the reason in `why`.
bool drawingNaturalSize(const std::string& path, QSize& size, QString& why);

/// The drawing rendered over white into a 24-bit picture whose resolution says the size it was
/// drawn at; false with the reason in `why` (a drawing that cannot be read, a size past the
/// memory budget). `skipped` (optional) receives the records of the file left out of it.
bool rasteriseDrawing(const std::string& path, const DrawingSize& size, engine::Image& out,
                      QString& why, int* skipped = nullptr);

/// The line that says a drawing was drawn without `skipped` of its records.
std::string skippedRecordsLine(const std::string& path, int skipped);

}  // namespace ximora::batch
