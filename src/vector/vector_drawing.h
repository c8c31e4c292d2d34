#pragma once
// A vector drawing (WMF, EMF, DXF, SVG or SXF file): it has a natural size and paints itself at
// any size.

#include <QImage>
#include <QSize>
#include <QString>
#include <memory>

#include "engine/core/image.h"
#include "engine/sandbox/drawing_files.h"

class QPainter;
class QRectF;

namespace ximora::vector {

class VectorDrawing {
  public:
    virtual ~VectorDrawing() = default;

    /// Reads the drawing in the WMF, EMF, DXF, SVG or SXF (SFC, P21) file at `path` (by its
    /// extension, any case);
    /// nullptr with a message for the user in `error` when the file cannot be read, is damaged, is
    /// of another kind or states no size.
    /// When the engine reads drawings in its drawing worker (engine::drawsInWorkers()), the
    /// file is read there, and so is every later painting of it.
    static std::unique_ptr<VectorDrawing> load(const QString& path, QString& error);
    /// Reads the drawing of `kind` (the extension, upper case: "WMF", "SVG"...) in `bytes`, in
    /// this process; nullptr with the user's reason in `reason` (and the engine's last error).
    static std::unique_ptr<VectorDrawing> fromBytes(const QByteArray& bytes, const QString& kind,
                                                    QString& reason);

    /// The size the drawing states for itself, in pixels (96 per inch); both at least 1.
    virtual QSize naturalSize() const = 0;
    /// Records of the file left out of the drawing (damaged, unknown, cut off); 0 when the
    /// whole file is drawn.
    virtual int skippedRecords() const { return 0; }
    /// Paints the whole drawing stretched into `target` (painter units).
    virtual void paint(QPainter& painter, const QRectF& target) const = 0;

    /// The drawing rendered at `size` (pixels, each at least 1) over white, 32-bit RGB; a null
    /// image when `size` is empty or too large to allocate.
    QImage render(QSize size) const;
    /// The drawing painted at `size` over white into `picture`, 24-bit RGB. False with the
    /// engine's last error (3: too large) when it cannot be.
    virtual bool rasterise(QSize size, engine::Image& picture) const;
};

/// The natural size of a drawing `width` × `height` units large at `pixelsPerUnit`, unless that
/// makes it tiny or huge: then its longer side becomes 800 pixels. A drawing of one straight
/// line gets a band of a hundredth of its length.
QSize naturalSizeFor(double width, double height, double pixelsPerUnit);

/// The drawing kind a file name's extension names, upper case ("WMF", "P21"...).
QString drawingKindOf(const QString& path);

using engine::kMaxDrawingFileBytes;

}  // namespace ximora::vector
