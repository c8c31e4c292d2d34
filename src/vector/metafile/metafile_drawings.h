#pragma once
// Windows metafiles as drawings: checked here, converted to SVG by a library, painted as SVG.

#include <QByteArray>
#include <QString>
#include <memory>

#include "vector/vector_drawing.h"

namespace ximora::vector {

/// A WMF file converted with libwmf; nullptr with the reason in `error`.
std::unique_ptr<VectorDrawing> loadWmf(const QByteArray& bytes, QString& error);
/// An EMF file converted with libemf2svg; nullptr with the reason in `error`.
std::unique_ptr<VectorDrawing> loadEmf(const QByteArray& bytes, QString& error);

}  // namespace ximora::vector
