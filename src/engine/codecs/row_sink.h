#pragma once
// The receiving end of a row decoder (Codec::decodeRows). A decoder describes the picture once
// (start), then hands over its rows in whatever order the file stores them; the sink decides
// what to keep: a whole image (ImageRowSink), a thumbnail reduced on the fly, or only the
// facts. Nothing of the picture's size is allocated unless the sink does it.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/image.h"

namespace ximora::engine {

/// The picture as the file stores it (before any EXIF or TIFF orientation is applied).
struct RowLayout {
    int width = 0, height = 0;    ///< pixels, each 1 to kMaxSide
    int bitsPerPixel = 0;         ///< nominal depth: 1, 4, 8, 16, 24 or 32
    bool grey = false;            ///< a grey ramp palette (4 and 8 bits)
    std::vector<Colour> palette;  ///< for 1, 4 and 8 bits; indexes past it read as black
    bool rowsInParts = false;     ///< rows come in parts (putPixels), as interlaced passes do
    /// Bits a sample as the file stores it (16 for a 16-bit PNG); 8 for the rest.
    int sampleBits = 8;
    /// Channels of the 16-bit samples the decoder hands over beside the rows when the sink wants
    /// them (putDeepRow): deepChannelsFor(bitsPerPixel, grey), or 0 when it has none.
    int deepChannels = 0;
};

/// What a decoder learns besides the pixels. What the file stores before its pixels is set
/// before start(); the rest (a comment after the pixels) by the time the decoder returns.
struct PictureNotes {
    int dpiX = 0, dpiY = 0;  ///< dots per inch, 0 = not set
    std::string comment;
    Metadata metadata;
    /// EXIF or TIFF orientation of the stored rows: 1 (upright) to 8; 5 to 8 swap the sides.
    int orientation = 1;
    /// The data ended before the picture did (see LoadOptions::keepCutShort).
    bool cutShort = false;
};

class RowSink {
  public:
    virtual ~RowSink() = default;

    /// Called once, before any row. False stops the decoder, which then returns false; the
    /// sink has set the last error (or left it 0 when it wanted nothing more than the layout).
    virtual bool start(const RowLayout& layout) = 0;

    /// Memory where the decoder may build row y in place (width pixels of the Image layout), or
    /// nullptr: the decoder then builds it in its own buffer. Valid until the row is handed over.
    virtual uint8_t* rowMemory(int y) { return static_cast<void>(y), nullptr; }

    /// Hands over row y (0 = top of the stored picture): `pixels` holds width pixels in the
    /// Image's in-memory layout (one byte per index at 1, 4 and 8 bits, RGB 5-6-5 words, R G B,
    /// R G B A). Rows come in any order, each once (or as part of putPixels calls).
    virtual void putRow(int y, const uint8_t* pixels) = 0;

    /// Hands over `count` pixels of row y at columns x0, x0 + step, ... (interlaced passes).
    virtual void putPixels(int y, int x0, int step, int count, const uint8_t* pixels) = 0;

    /// Whether the sink keeps the picture whole with what its file holds beside the pixels (a
    /// picture opened for editing, not a thumbnail or facts): only then does a decoder gather
    /// the metadata blocks a file keeps apart from its headers and, for a deeper file, make its
    /// 16-bit samples and hand them over beside the rows (putDeepRow).
    virtual bool keepsWholePicture() const { return false; }
    /// Row y's 16-bit samples, layout.deepChannels a pixel, width pixels.
    virtual void putDeepRow(int y, const uint16_t* samples) {
        static_cast<void>(y), static_cast<void>(samples);
    }
    /// As putPixels, for the 16-bit samples of an interlaced pass.
    virtual void putDeepPixels(int y, int x0, int step, int count, const uint16_t* samples) {
        static_cast<void>(y), static_cast<void>(x0), static_cast<void>(step);
        static_cast<void>(count), static_cast<void>(samples);
    }

    /// Rows y0 to y1 - 1 all equal `pixels` (a background, rows a run-length file skipped).
    virtual void putRepeatedRow(int y0, int y1, const uint8_t* pixels) {
        for (int y = y0; y < y1; ++y) putRow(y, pixels);
    }

    /// Filled by the decoder, see PictureNotes.
    PictureNotes notes;
};

}  // namespace ximora::engine
