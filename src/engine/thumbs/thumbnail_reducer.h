#pragma once
// A thumbnail made while a picture is decoded: each row is folded into the thumbnail's rows as
// it arrives and then forgotten, so a picture of any size costs only the thumbnail and a row.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/codecs/row_sink.h"
#include "engine/core/image.h"

namespace ximora::engine {

/// Area-averaging reduction into a square of `box` pixels, as makeThumbnail() describes, fed
/// row by row by a row decoder (Codec::decodeRows) or by makeThumbnail() itself. Rows may come
/// in any order (bottom-up bitmaps, interlaced GIF rows and PNG passes); a thumbnail row is
/// finished as soon as every source pixel it covers has come. The result is that of the whole
/// picture, exactly, whatever the order.
class ThumbnailReducer final : public RowSink {
  public:
    explicit ThumbnailReducer(int box) : box_(box) {}
    ~ThumbnailReducer() override;

    /// Fails with error 5 for a box outside 1 to 65535, 3 when the thumbnail does not fit the
    /// memory budget (finish() fails with 3 when the rows held for it would not).
    bool start(const RowLayout& layout) override;
    void putRow(int y, const uint8_t* pixels) override;
    void putPixels(int y, int x0, int step, int count, const uint8_t* pixels) override;
    void putRepeatedRow(int y0, int y1, const uint8_t* pixels) override;

    /// The thumbnail of the stored picture (the notes' orientation not applied): 24-bit, or
    /// 32-bit (straight alpha) when any of its pixels is not opaque. Error 11 when start()
    /// never succeeded.
    bool finish(Image& out);
    /// Whether the stored picture is grey (a grey palette), once start() has run.
    bool greySource() const { return grey_; }

  private:
    struct Split {
        int first;    // the thumbnail pixel the source pixel starts in
        uint32_t w0;  // its weight there; the rest (m − w0) goes to first + 1
    };
    static std::vector<Split> splits(int n, int m);
    const uint8_t* toRgb(const uint8_t* pixels, int count);
    void sumColumns(const uint8_t* rgb, int x0, int step, int count);
    void sumColumnsWithAlpha(const uint8_t* rgba, int x0, int step, int count);
    void sumRow(const uint8_t* pixels, int x0, int step, int count);
    bool opaque() const;
    void addToRow(int ty, uint64_t weight, uint64_t pixels);
    void emit(int ty);

    int box_;
    int sw_ = 0, sh_ = 0, tw_ = 0, th_ = 0;
    int bytesPerPixel_ = 0;
    bool grey_ = false;
    // The layout can be transparent: each pixel sums as its colour times its alpha and its
    // alpha (line4_), so that a thumbnail pixel is the mean colour of what covers it.
    bool alpha_ = false;
    size_t values_ = 0;   // sums per thumbnail row: (width + 1) × 3 or × 4
    uint64_t total_ = 0;  // weight of one thumbnail pixel: sw × sh
    std::vector<Split> xs_, ys_;
    std::vector<std::array<uint8_t, 4>> lut_;  // the palette, 256 entries
    std::vector<uint8_t> rgb_;                 // the row being folded, as R G B (A)
    std::vector<uint32_t> line_;               // its sums per thumbnail column (+1 spare)
    std::vector<uint64_t> line4_;              // the same with alpha
    std::vector<uint8_t> lastRow_;             // the last whole row, to reuse line_ for repeats
    bool lastValid_ = false;
    std::vector<std::unique_ptr<uint64_t[]>> acc_;  // per thumbnail row (+1 spare), while open
    std::vector<uint64_t> expected_, received_;     // source pixels per thumbnail row
    std::vector<bool> done_;                        // thumbnail rows written out
    size_t open_ = 0;                               // accumulator rows held
    bool tooLarge_ = false;                         // they would have passed the budget
    Image thumb_;
};

}  // namespace ximora::engine
