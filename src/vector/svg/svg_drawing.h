#pragma once
// A drawing held as SVG: an SVG file, or what the metafile converters make of WMF and EMF.
// Painted with librsvg, chosen over Qt SVG for its fidelity (see the folder's README).

#include <QByteArray>
#include <QSize>
#include <QString>
#include <memory>

#include "vector/vector_drawing.h"

namespace ximora::vector {

class RsvgDocument;
std::unique_ptr<VectorDrawing> loadSvg(const QByteArray& bytes, QString& error);

class SvgDrawing : public VectorDrawing {
  public:
    ~SvgDrawing() override;

    /// The SVG text at the size `size` (each at least 1); nullptr when librsvg cannot read it.
    static std::unique_ptr<SvgDrawing> create(const QByteArray& svg, QSize size);

    QSize naturalSize() const override { return size_; }
    /// The document stretched to `target` (whatever its own proportions).
    void paint(QPainter& painter, const QRectF& target) const override;

  private:
    friend std::unique_ptr<VectorDrawing> loadSvg(const QByteArray& bytes, QString& error);
    SvgDrawing(std::unique_ptr<RsvgDocument> document, QSize size, double width, double height);
    std::unique_ptr<RsvgDocument> document_;
    QSize size_;
    double width_, height_;  ///< the document's own viewport, pixels
};

/// An SVG file: its stated size (pixels at 96 per inch, its viewBox when it states none; a
/// longer side beyond 4096 pixels as naturalSizeFor()). nullptr with the reason in `error` when
/// librsvg cannot read it or it states no size.
std::unique_ptr<VectorDrawing> loadSvg(const QByteArray& bytes, QString& error);

}  // namespace ximora::vector
