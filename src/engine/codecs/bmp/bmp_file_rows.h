#pragma once
// A bitmap file written straight from a row decoder: each row is converted and placed in the
// file as it arrives, so a conversion to BMP never holds the picture (a 24-megapixel PNG
// becomes a BMP without its 72 MB raster, and with the writing spread over the decoding).

#include <future>
#include <string>
#include <vector>

#include "engine/codecs/row_sink.h"
#include "engine/io/atomic_file.h"

namespace ximora::engine {

/// Writes the file encodeBmp would write (uncompressed) for the image the decoder describes,
/// when that image has 16, 24 or 32 bits, comes in whole rows and is upright (EXIF or TIFF
/// orientation 1). Any other picture is declined at start(), as is a target that cannot be
/// opened; after a failed write the rest is ignored. The target changes only in finish().
class BmpFileRowSink final : public RowSink {
  public:
    explicit BmpFileRowSink(std::string target) : target_(std::move(target)) {}
    ~BmpFileRowSink() override;

    bool start(const RowLayout& layout) override;
    void putRow(int y, const uint8_t* pixels) override;
    /// Rows in parts are not expected (start() declines them); if they come, the file is lost.
    void putPixels(int y, int x0, int step, int count, const uint8_t* pixels) override;

    /// After the decoder succeeded: writes the headers with the resolution it found and puts
    /// the file in place of the target. False, with the target as it was, when the file was
    /// declined, a write failed, a row is missing or the orientation turned out not upright
    /// (a PNG may store it after the pixels).
    bool finish();

  private:
    uint64_t fileRowOffset(int fileRow) const { return head_ + uint64_t(fileRow) * padded_; }
    void writeBand();
    bool waitForWrite();  // the last band's write: whether it succeeded

    std::string target_;
    AtomicFile file_;
    bool usable_ = false;  // started, opened, and every write so far succeeded
    int width_ = 0, height_ = 0, bits_ = 0;
    uint64_t head_ = 0;  // bytes before the pixels
    size_t padded_ = 0;  // one stored row
    int rowsPut_ = 0;
    // Rows gather in a band of bandRows_ consecutive rows of the file (which stores them
    // bottom-up) and are written when the band is full or a row of another band comes:
    // decoders hand rows over top-down or as the file stores them, either way filling one band
    // after another. A full band is written beside the decoding while the other fills.
    std::vector<uint8_t> band_, writing_;
    std::future<bool> written_;
    std::vector<bool> filled_;  // the band's rows received
    int bandRows_ = 0;
    int bandStart_ = -1;  // the band's first row in file order, -1 before the first row
    int filledCount_ = 0, lowest_ = 0, highest_ = 0;  // rows received, their first and last slot
};

}  // namespace ximora::engine
