#pragma once
// An SVG document read by librsvg, behind a plain interface: librsvg's GLib headers clash with
// Qt's keywords, so they stay inside rsvg_document.cpp.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace ximora::vector {

class RsvgDocument {
  public:
    ~RsvgDocument();
    RsvgDocument(const RsvgDocument&) = delete;
    RsvgDocument& operator=(const RsvgDocument&) = delete;

    /// Reads SVG `data` (no file beside it is ever loaded); nullptr when librsvg cannot read
    /// it.
    static std::unique_ptr<RsvgDocument> read(const uint8_t* data, size_t size);

    /// The size the document states (pixels at 96 per inch; its viewBox when its width or
    /// height is relative or missing); false when it states none.
    bool size(double& width, double& height) const;

    /// Paints the document stretched to `width` × `height` premultiplied ARGB32 pixels (rows of
    /// `stride` bytes, native byte order, as they were), its natural viewport being
    /// `naturalWidth` × `naturalHeight`. False when librsvg fails.
    bool render(uint8_t* pixels, int width, int height, int stride, double naturalWidth,
                double naturalHeight) const;

  private:
    struct Handle;
    explicit RsvgDocument(Handle* handle) : handle_(handle) {}
    Handle* handle_;
};

}  // namespace ximora::vector
