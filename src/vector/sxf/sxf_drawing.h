#pragma once
// SXF files (".sfc", ".p21") as drawings: read into a Scene, painted by SceneDrawing.

#include <QByteArray>
#include <QString>
#include <memory>

#include "vector/vector_drawing.h"

namespace ximora::vector {

/// The sheet (or what is drawn) at 96 pixels per inch, its millimetres being the drawing's;
/// nullptr with the reason in `error` when the file is no SXF, is damaged or draws nothing.
std::unique_ptr<VectorDrawing> loadSxf(const QByteArray& bytes, QString& error);

}  // namespace ximora::vector
