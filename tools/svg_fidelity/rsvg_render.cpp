#include "rsvg_render.h"

#include <librsvg/rsvg.h>

bool renderWithRsvg(const std::string& path, uint8_t* pixels, int width, int height, int stride) {
    GError* error = nullptr;
    RsvgHandle* handle = rsvg_handle_new_from_file(path.c_str(), &error);
    if (!handle) {
        if (error) g_error_free(error);
        return false;
    }
    cairo_surface_t* surface =
        cairo_image_surface_create_for_data(pixels, CAIRO_FORMAT_ARGB32, width, height, stride);
    cairo_t* cr = cairo_create(surface);
    const RsvgRectangle viewport{0, 0, double(width), double(height)};
    const bool ok = rsvg_handle_render_document(handle, cr, &viewport, &error);
    if (error) g_error_free(error);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    g_object_unref(handle);
    return ok;
}
