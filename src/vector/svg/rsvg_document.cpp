#include "vector/svg/rsvg_document.h"

#include <librsvg/rsvg.h>

#include <cmath>
#include <string>
#include <string_view>

namespace ximora::vector {

namespace {

/// Whether the text holds a number of a million or more (seven digits before the point, or a
/// power of ten of six or more).
bool holdsHugeNumbers(std::string_view text) {
    size_t digits = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            if (++digits >= 7) return true;
            continue;
        }
        const bool exponent = (c == 'e' || c == 'E') && digits > 0 && i + 1 < text.size();
        digits = 0;
        if (!exponent) continue;
        size_t j = i + 1;
        if (text[j] == '+') ++j;
        size_t power = 0;
        while (j < text.size() && text[j] >= '0' && text[j] <= '9' && power < 100)
            power = power * 10 + size_t(text[j++] - '0');
        if (power >= 6) return true;
    }
    return false;
}

}  // namespace

struct RsvgDocument::Handle {
    RsvgHandle* rsvg = nullptr;
};

RsvgDocument::~RsvgDocument() {
    g_object_unref(handle_->rsvg);
    delete handle_;
}

std::unique_ptr<RsvgDocument> RsvgDocument::read(const uint8_t* data, size_t size) {
    // Cairo dashes a line dash by dash whatever the scale: a line a billion units long with
    // dashes of one unit takes seconds and gigabytes at any size. Drawings with coordinates of
    // that order have their dashes drawn solid (the property gets a name nothing knows).
    std::string text(reinterpret_cast<const char*>(data), size);
    if (holdsHugeNumbers(text))
        for (size_t at = 0; (at = text.find("stroke-dasharray", at)) != std::string::npos;)
            text[at + 15] = 'x';
    GError* error = nullptr;
    // Without a base file, references to other files (images, styles) are never followed.
    RsvgHandle* rsvg = rsvg_handle_new_from_data(reinterpret_cast<const guint8*>(text.data()),
                                                 text.size(), &error);
    if (error) g_error_free(error);
    if (!rsvg) return nullptr;
    rsvg_handle_set_dpi(rsvg, 96);
    return std::unique_ptr<RsvgDocument>(new RsvgDocument(new Handle{rsvg}));
}

bool RsvgDocument::size(double& width, double& height) const {
    if (rsvg_handle_get_intrinsic_size_in_pixels(handle_->rsvg, &width, &height))
        return width > 0 && height > 0;
    gboolean hasWidth = FALSE, hasHeight = FALSE, hasViewBox = FALSE;
    RsvgLength w{}, h{};
    RsvgRectangle viewBox{};
    rsvg_handle_get_intrinsic_dimensions(handle_->rsvg, &hasWidth, &w, &hasHeight, &h, &hasViewBox,
                                         &viewBox);
    if (!hasViewBox || !(viewBox.width > 0) || !(viewBox.height > 0)) return false;
    width = viewBox.width;
    height = viewBox.height;
    return true;
}

bool RsvgDocument::render(uint8_t* pixels, int width, int height, int stride, double naturalWidth,
                          double naturalHeight) const {
    if (!(naturalWidth > 0) || !(naturalHeight > 0) || !std::isfinite(naturalWidth) ||
        !std::isfinite(naturalHeight) || width < 1 || height < 1)
        return false;
    cairo_surface_t* surface =
        cairo_image_surface_create_for_data(pixels, CAIRO_FORMAT_ARGB32, width, height, stride);
    cairo_t* cr = cairo_create(surface);
    // The document fills its natural viewport; the scale stretches that to the pixels.
    cairo_scale(cr, width / naturalWidth, height / naturalHeight);
    const RsvgRectangle viewport{0, 0, naturalWidth, naturalHeight};
    GError* error = nullptr;
    const bool rendered = rsvg_handle_render_document(handle_->rsvg, cr, &viewport, &error);
    if (error) g_error_free(error);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    cairo_surface_destroy(surface);
    return rendered;
}

}  // namespace ximora::vector
