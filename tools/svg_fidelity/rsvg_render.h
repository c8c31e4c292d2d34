#pragma once
// librsvg behind a plain interface: its GLib headers clash with Qt's keywords.

#include <cstdint>
#include <string>

/// Renders the SVG file at `path` into `width` × `height` premultiplied ARGB32 pixels (rows of
/// `stride` bytes, already cleared), its document viewport filling them. False when librsvg
/// cannot read or render it.
bool renderWithRsvg(const std::string& path, uint8_t* pixels, int width, int height, int stride);
