#pragma once
// DXF files as drawings: read into a Scene, painted by SceneDrawing.

#include <QByteArray>
#include <QString>
#include <memory>

#include "vector/vector_drawing.h"

namespace ximora::vector {

/// One drawing unit is one pixel, unless that makes the drawing tiny or huge: then the longer
/// side becomes 800 pixels; line weights are millimetres at that size (96 pixels per inch).
/// nullptr with the reason in `error` when the text is no DXF or has nothing of any size.
std::unique_ptr<VectorDrawing> loadDxf(const QByteArray& bytes, QString& error);

}  // namespace ximora::vector
