#include "vector/metafile/wmf_to_svg.h"

#include <libwmf/api.h>
#include <libwmf/svg.h>

#include <cstring>
#include <mutex>
#include <vector>

#include "vector/metafile/wmf_exact_colours.h"

namespace ximora::vector {

namespace {

/// One libwmf session over a copy of the file's bytes, closed on every path out.
class WmfSession {
  public:
    WmfSession(const unsigned char* data, size_t size) : bytes_(data, data + size) {
        wmfAPI_Options options;
        std::memset(&options, 0, sizeof options);
        options.function = wmf_svg_function;
        const unsigned long flags =
            WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
        if (wmf_api_create(&api_, flags, &options) != wmf_E_None) {
            if (api_) wmf_api_destroy(api_);
            api_ = nullptr;
            return;
        }
        open_ = wmf_mem_open(api_, bytes_.data(), long(bytes_.size())) == wmf_E_None;
    }
    ~WmfSession() {
        if (!api_) return;
        if (open_) wmf_mem_close(api_);
        wmf_api_destroy(api_);
    }
    WmfSession(const WmfSession&) = delete;
    WmfSession& operator=(const WmfSession&) = delete;

    bool ready() const { return api_ && open_; }

    /// Scans the records for the drawing's box and its size at 96 dpi.
    bool scan(wmfD_Rect& box, unsigned& width, unsigned& height) {
        return wmf_scan(api_, 0, &box) == wmf_E_None &&
               wmf_display_size(api_, &width, &height, 96, 96) == wmf_E_None;
    }

    /// Plays the records into SVG text of `width` × `height`, in the file's exact colours.
    bool toSvg(const wmfD_Rect& box, unsigned width, unsigned height, std::string& svg) {
        wmf_svg_t* device = WMF_SVG_GetData(api_);
        ExactColours exact(api_, svg);
        device->out = exact.stream();
        device->bbox = box;
        device->width = width;
        device->height = height;
        // Pictures inside the drawing go into the SVG itself, never into files beside it.
        device->flags |= WMF_SVG_INLINE_IMAGES;
        wmfD_Rect playBox = box;
        const bool played = wmf_play(api_, 0, &playBox) == wmf_E_None;
        device->out = nullptr;
        return played && !svg.empty();
    }

  private:
    std::vector<unsigned char> bytes_;
    wmfAPI* api_ = nullptr;
    bool open_ = false;
};

}  // namespace

WmfResult wmfToSvg(const unsigned char* data, size_t size, const WmfBox& stated, WmfSvg& out) {
    // libwmf keeps state of its own (fonts among it) beyond one session: thumbnails are made on
    // several threads, conversions one at a time.
    static std::mutex libwmf;
    const std::lock_guard lock(libwmf);
    out = {};
    WmfSession session(data, size);
    wmfD_Rect box{};
    unsigned scannedWidth = 0, scannedHeight = 0;
    if (!session.ready() || !session.scan(box, scannedWidth, scannedHeight))
        return WmfResult::Broken;
    out.width = scannedWidth;
    out.height = scannedHeight;
    if (stated.width >= 1 && stated.height >= 1) {
        // libwmf's box is in points (1/72 inch).
        constexpr double kPointsPerPixel = 72.0 / 96.0;
        box.TL.x = float(stated.left * kPointsPerPixel);
        box.TL.y = float(stated.top * kPointsPerPixel);
        box.BR.x = float((stated.left + stated.width) * kPointsPerPixel);
        box.BR.y = float((stated.top + stated.height) * kPointsPerPixel);
        out.width = unsigned(stated.width);
        out.height = unsigned(stated.height);
    }
    if (out.width < 1 || out.height < 1 || out.width > 1000000 || out.height > 1000000 ||
        !(box.BR.x > box.TL.x) || !(box.BR.y > box.TL.y))
        return WmfResult::NoSize;
    return session.toSvg(box, out.width, out.height, out.svg) ? WmfResult::Ok : WmfResult::Broken;
}

}  // namespace ximora::vector
