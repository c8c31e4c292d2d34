#include "vector/metafile/wmf_exact_colours.h"

#include <cstdio>
#include <cstring>

namespace ximora::vector {
namespace {

struct Playback {
    wmfFunctionReference* device;  // libwmf's own SVG calls
    std::string* svg;
};
thread_local Playback current{};

std::string hex(const wmfRGB& c) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", c.r, c.g, c.b);
    return text;
}

// Sets every "KEY:value" written from `from` on to `colour`, where the value names a colour
// (not "none").
void recolour(std::string& svg, size_t from, const char* key, const wmfRGB& colour) {
    const size_t keyLength = std::strlen(key);
    for (size_t at = svg.find(key, from); at != std::string::npos; at = svg.find(key, at)) {
        const size_t value = at + keyLength;
        const size_t end = svg.find_first_of(";\" ", value);
        const size_t length = (end == std::string::npos ? svg.size() : end) - value;
        if (svg.compare(value, length, "none") != 0) svg.replace(value, length, hex(colour));
        at = value;
    }
}

const wmfRGB* brushColour(const wmfDC* dc) {
    return dc && dc->brush ? &dc->brush->lbColor : nullptr;
}
const wmfRGB* penColour(const wmfDC* dc) { return dc && dc->pen ? &dc->pen->lopnColor : nullptr; }

// Calls libwmf's own drawing call, then puts the exact colours into what it wrote.
template <class Info>
void drawExactly(void (*wmfFunctionReference::*call)(wmfAPI*, Info*), wmfAPI* api, Info* info,
                 const wmfRGB* fill, const wmfRGB* stroke) {
    const size_t from = current.svg->size();
    (current.device->*call)(api, info);
    if (fill) recolour(*current.svg, from, "fill:", *fill);
    if (stroke) recolour(*current.svg, from, "stroke:", *stroke);
}

// Shapes: filled with the brush, outlined with the pen.
template <class Info, void (*wmfFunctionReference::*Call)(wmfAPI*, Info*)>
void shape(wmfAPI* api, Info* info) {
    drawExactly(Call, api, info, brushColour(info->dc), penColour(info->dc));
}

// Regions: painted and framed with the brush.
template <void (*wmfFunctionReference::*Call)(wmfAPI*, wmfPolyRectangle_t*)>
void region(wmfAPI* api, wmfPolyRectangle_t* info) {
    drawExactly(Call, api, info, brushColour(info->dc), brushColour(info->dc));
}

void text(wmfAPI* api, wmfDrawText_t* info) {
    drawExactly(&wmfFunctionReference::draw_text, api, info,
                info->dc ? &info->dc->textcolor : nullptr, nullptr);
}

void pixel(wmfAPI* api, wmfDrawPixel_t* info) {
    drawExactly(&wmfFunctionReference::draw_pixel, api, info, &info->color, &info->color);
}

int append(char* text, void* context) {
    static_cast<std::string*>(context)->append(text);
    return 0;
}

int restart(void* context) {
    static_cast<std::string*>(context)->clear();
    return 0;
}

}  // namespace

ExactColours::ExactColours(wmfAPI* api, std::string& svg) : api_(api) {
    auto* calls = static_cast<wmfFunctionReference*>(api->function_reference);
    original_ = *calls;
    current = Playback{&original_, &svg};
    stream_.context = &svg;
    stream_.sputs = append;
    stream_.reset = restart;
    using F = wmfFunctionReference;
    if (calls->draw_pie) calls->draw_pie = shape<wmfDrawArc_t, &F::draw_pie>;
    if (calls->draw_chord) calls->draw_chord = shape<wmfDrawArc_t, &F::draw_chord>;
    if (calls->draw_arc) calls->draw_arc = shape<wmfDrawArc_t, &F::draw_arc>;
    if (calls->draw_ellipse) calls->draw_ellipse = shape<wmfDrawArc_t, &F::draw_ellipse>;
    if (calls->draw_line) calls->draw_line = shape<wmfDrawLine_t, &F::draw_line>;
    if (calls->poly_line) calls->poly_line = shape<wmfPolyLine_t, &F::poly_line>;
    if (calls->draw_polygon) calls->draw_polygon = shape<wmfPolyLine_t, &F::draw_polygon>;
    if (calls->draw_polypolygon)
        calls->draw_polypolygon = shape<wmfPolyPoly_t, &F::draw_polypolygon>;
    if (calls->draw_rectangle)
        calls->draw_rectangle = shape<wmfDrawRectangle_t, &F::draw_rectangle>;
    if (calls->region_paint) calls->region_paint = region<&F::region_paint>;
    if (calls->region_frame) calls->region_frame = region<&F::region_frame>;
    if (calls->draw_text) calls->draw_text = text;
    if (calls->draw_pixel) calls->draw_pixel = pixel;
}

ExactColours::~ExactColours() {
    *static_cast<wmfFunctionReference*>(api_->function_reference) = original_;
    current = Playback{};
}

}  // namespace ximora::vector
