#pragma once
// Converting pixels from the colours of one ICC profile to those of another, in place, with
// Little CMS. Used to show pictures in the display's colours and to make sRGB thumbnails.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace ximora::engine {

/// The byte layouts a transform converts. Alpha bytes are kept as they are.
enum class PixelLayout {
    Rgb,   ///< R, G, B (24-bit images, palettes)
    Rgba,  ///< R, G, B, A with straight alpha (32-bit images)
    /// B, G, R, A with straight alpha: a QImage in Format_ARGB32 or Format_RGB32 on a
    /// little-endian machine.
    Bgra,
};

struct LcmsLibrary;

class ColourTransform {
  public:
    /// The transform from profile `source` to profile `target` (ICC bytes; an empty target is
    /// sRGB) for pixels in `layout`, perceptual intent. A grey source profile takes the first
    /// colour byte of each pixel as its grey level. nullptr when there is nothing to do: a
    /// profile that cannot be read, a source neither RGB nor grey, a target not RGB, or two
    /// profiles that agree to within one level on every sampled colour. Recent answers are
    /// kept, so asking again for the same pair is cheap. Thread-safe.
    static std::shared_ptr<const ColourTransform> between(const std::vector<uint8_t>& source,
                                                          const std::vector<uint8_t>& target,
                                                          PixelLayout layout);

    ~ColourTransform();
    ColourTransform(const ColourTransform&) = delete;
    ColourTransform& operator=(const ColourTransform&) = delete;

    PixelLayout layout() const { return layout_; }
    /// Converts `width` × `height` pixels whose rows lie `stride` bytes apart, in place; bands of
    /// rows run on all cores when there are many.
    void apply(uint8_t* pixels, size_t stride, int width, int height) const;
    /// Converts one row of `width` pixels in place on the calling thread.
    void applyRow(uint8_t* row, int width) const;

  private:
    ColourTransform(const LcmsLibrary& cms, void* handle, PixelLayout layout, bool greySource)
        : cms_(cms), handle_(handle), layout_(layout), greySource_(greySource) {}
    static std::shared_ptr<const ColourTransform> make(const std::vector<uint8_t>& source,
                                                       const std::vector<uint8_t>& target,
                                                       PixelLayout layout);
    bool changesColours() const;

    const LcmsLibrary& cms_;  // opened before the transform was made
    void* handle_;            // cmsHTRANSFORM
    PixelLayout layout_;
    bool greySource_;
};

}  // namespace ximora::engine
