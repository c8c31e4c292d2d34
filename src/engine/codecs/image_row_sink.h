#pragma once
// The whole-image end of a row decoder: the codecs' decode entries are their row decoders
// writing into an image, so a file is read by one decoder whether it becomes an image, a
// thumbnail or a line of facts.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/codecs/codec.h"
#include "engine/codecs/row_sink.h"

namespace ximora::engine {

using RowDecoder = bool (*)(ByteSource& source, const LoadOptions& options, RowSink& sink);

/// Collects the rows into an image allocated at start() (error 3 past the memory budget);
/// decoders build rows in place.
class ImageRowSink final : public RowSink {
  public:
    /// `keepDeepSamples`: keep the picture whole with its 16-bit samples and metadata (a picture
    /// opened for editing, not a thumbnail).
    explicit ImageRowSink(bool keepDeepSamples = true) : keepDeep_(keepDeepSamples) {}
    bool start(const RowLayout& layout) override;
    uint8_t* rowMemory(int y) override { return image_.row(y); }
    void putRow(int y, const uint8_t* pixels) override;
    void putPixels(int y, int x0, int step, int count, const uint8_t* pixels) override;
    void putRepeatedRow(int y0, int y1, const uint8_t* pixels) override;
    bool keepsWholePicture() const override { return keepDeep_; }
    void putDeepRow(int y, const uint16_t* samples) override;
    void putDeepPixels(int y, int x0, int step, int count, const uint16_t* samples) override;

    /// The image so far (for a codec's own last touches before finish()).
    Image& image() { return image_; }
    /// Moves the image to `out` with the notes applied: resolution, comment, metadata, and the
    /// orientation turned upright when options.applyOrientation (the EXIF tag then reads 1);
    /// metadata dropped unless options.keepMetadata. Error 3 when the turn cannot allocate.
    bool finish(const LoadOptions& options, Image& out);

  private:
    Image image_;
    std::unique_ptr<DeepSamples> deep_;
    bool keepDeep_;
};

/// Decodes `size` bytes at `data` through `decoder` into `out` (replaced only on success).
bool decodeWholeImage(RowDecoder decoder, const uint8_t* data, size_t size,
                      const LoadOptions& options, Image& out);
/// As above, reading from `source`.
bool decodeWholeImage(RowDecoder decoder, ByteSource& source, const LoadOptions& options,
                      Image& out);
/// The Codec::decodeSource entry of a codec whose whole decode is its row decoder.
template <RowDecoder decoder>
bool decodeSourceByRows(ByteSource& source, const LoadOptions& options, Image& out) {
    return decodeWholeImage(decoder, source, options, out);
}

/// Reads the facts through `decoder`, which stops at its start(): a header reader for every
/// codec with a row decoder. The sides and resolutions are those of the upright picture.
bool readFactsWithRows(RowDecoder decoder, ByteSource& source, ImageFacts& out);

}  // namespace ximora::engine
