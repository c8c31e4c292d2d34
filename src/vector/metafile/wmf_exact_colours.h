#pragma once
// libwmf's SVG device names every colour by the nearest of the SVG colour keywords (a brush of
// 200, 100, 50 comes out as "chocolate"). ExactColours sits between the player and that device:
// each drawing call's SVG text is caught as it is written and its fill and stroke set to the
// exact colours of the brush, pen or text in the device context.

#include <libwmf/api.h>
#include <libwmf/ipa.h>

#include <string>

namespace ximora::vector {

class ExactColours {
  public:
    /// Takes over the SVG device of `api` (set up by wmf_svg_function) until destroyed; the
    /// device's output goes to `svg`. One at a time per thread.
    ExactColours(wmfAPI* api, std::string& svg);
    ~ExactColours();
    ExactColours(const ExactColours&) = delete;
    ExactColours& operator=(const ExactColours&) = delete;

    /// The stream to hand the device as its output.
    wmfStream* stream() { return &stream_; }

  private:
    wmfAPI* api_;
    wmfFunctionReference original_;
    wmfStream stream_{};
};

}  // namespace ximora::vector
