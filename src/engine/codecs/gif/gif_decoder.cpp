// Decoder for GIF 87a/89a: https://www.w3.org/Graphics/GIF/spec-gif89a.txt
#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/codecs/gif/gif_codec.h"
#include "engine/codecs/gif/gif_error.h"
#include "engine/codecs/gif/gif_interlace.h"
#include "engine/codecs/image_row_sink.h"
#include "engine/core/error.h"
#include "engine/io/byte_source.h"

namespace ximora::engine {
namespace {

// An LZW code of at least 3 bits expands to at most 4096 pixels, so a byte of data yields
// fewer than 11000 pixels; a frame claiming more than that is cut short, whatever its size.
constexpr uint64_t kMaxPixelsPerByte = 11000;

int readFromSource(GifFileType* gif, GifByteType* out, int length) {
    auto* reader = static_cast<SourceReader*>(gif->UserData);
    return int(reader->read(out, size_t(std::max(length, 0))));
}

int bitsForColours(int count) { return count <= 2 ? 1 : count <= 16 ? 4 : 8; }

class GifDecoder {
  public:
    GifDecoder(ByteSource& source, RowSink& sink) : reader_(source), sink_(sink) {}
    ~GifDecoder() {
        int error = 0;
        if (gif_) DGifCloseFile(gif_, &error);
    }
    bool run();
    int transparent() const { return transparent_; }

  private:
    bool readExtension();
    bool readFrame();
    bool failWithGif() { return failWithGifError(gif_->Error); }

    SourceReader reader_;
    RowSink& sink_;
    GifFileType* gif_ = nullptr;
    int transparent_ = -1;
    bool haveComment_ = false;
};

bool GifDecoder::run() {
    int error = 0;
    gif_ = DGifOpen(&reader_, readFromSource, &error);
    if (!gif_) return failWithGifError(error);
    bool haveFrame = false;
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif_, &type) == GIF_ERROR) {
            // Junk after a whole frame (a missing trailer) leaves the picture complete.
            if (haveFrame) break;
            return failWithGif();
        }
        if (type == TERMINATE_RECORD_TYPE) break;
        if (type == EXTENSION_RECORD_TYPE) {
            if (!readExtension()) {
                if (haveFrame) break;
                return false;
            }
        } else if (type == IMAGE_DESC_RECORD_TYPE) {
            if (haveFrame) break;  // only the first frame of an animation
            if (!readFrame()) return false;
            haveFrame = true;
        }
    }
    if (!haveFrame) return fail(kErrFileBroken);
    return true;
}

bool GifDecoder::readExtension() {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif_, &code, &block) == GIF_ERROR) return failWithGif();
    const bool comment = code == COMMENT_EXT_FUNC_CODE && !haveComment_;
    // XMP is kept in an application extension whose data is the packet itself, not cut into
    // sub-blocks: each sub-block's length byte is one of its bytes, and a magic trailer of 258
    // bytes (beginning with 0x01, which no packet holds) makes the reader's walk end.
    const bool xmp = code == APPLICATION_EXT_FUNC_CODE && block && block[0] == 11 &&
                     std::memcmp(block + 1, "XMP DataXMP", 11) == 0;
    std::vector<uint8_t> packet;
    if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
        GraphicsControlBlock control;
        if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
            transparent_ = control.TransparentColor;
    }
    for (bool first = true; block; first = false) {
        if (comment) sink_.notes.comment.append(reinterpret_cast<const char*>(block + 1), block[0]);
        if (xmp && !first) packet.insert(packet.end(), block, block + 1 + block[0]);
        if (DGifGetExtensionNext(gif_, &block) == GIF_ERROR) return failWithGif();
    }
    if (xmp) {
        packet.erase(std::find(packet.begin(), packet.end(), uint8_t(0x01)), packet.end());
        if (!packet.empty()) sink_.notes.metadata.xmp = std::move(packet);
    }
    haveComment_ = haveComment_ || comment;
    return true;
}

bool GifDecoder::readFrame() {
    if (DGifGetImageDesc(gif_) == GIF_ERROR) return failWithGif();
    const GifImageDesc& desc = gif_->Image;
    if (desc.Width <= 0 || desc.Height <= 0 || desc.Left < 0 || desc.Top < 0)
        return fail(kErrFileBroken);
    // The picture is the logical screen, grown when a broken file puts the frame outside it.
    const int64_t width = std::max<int64_t>(gif_->SWidth, int64_t(desc.Left) + desc.Width);
    const int64_t height = std::max<int64_t>(gif_->SHeight, int64_t(desc.Top) + desc.Height);
    if (!Image::fitsSides(width, height)) return false;
    const uint64_t framePixels = uint64_t(desc.Width) * uint64_t(desc.Height);
    if (framePixels > reader_.remaining() * kMaxPixelsPerByte) return fail(kErrCannotRead);

    const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif_->SColorMap;
    const int colours = map ? std::clamp(map->ColorCount, 1, 256) : 256;
    RowLayout layout;
    layout.width = int(width);
    layout.height = int(height);
    layout.bitsPerPixel = bitsForColours(colours);
    if (map) {
        layout.palette.resize(size_t(colours));
        for (int i = 0; i < colours; ++i)
            layout.palette[size_t(i)] =
                Colour{map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue, 255};
    } else {
        layout.palette = greyPalette(8);
    }
    // A palette of the grey levels in order is a grey picture, as the engine's own GIF files
    // of grey pictures hold it.
    layout.grey = (layout.bitsPerPixel == 4 || layout.bitsPerPixel == 8) &&
                  layout.palette == greyPalette(layout.bitsPerPixel);
    if (transparent_ >= 0 && size_t(transparent_) < layout.palette.size())
        layout.palette[size_t(transparent_)].a = 0;
    if (!sink_.start(layout)) return false;

    // Rows outside the frame show the background.
    const int background = transparent_ >= 0 ? transparent_ : gif_->SBackGroundColor;
    std::vector<uint8_t> blank(size_t(width), uint8_t(background < colours ? background : 0));
    sink_.putRepeatedRow(0, desc.Top, blank.data());
    sink_.putRepeatedRow(desc.Top + desc.Height, int(height), blank.data());
    std::vector<uint8_t> own;
    for (int i = 0; i < desc.Height; ++i) {
        const int y = desc.Top + (desc.Interlace ? gifInterlacedRow(i, desc.Height) : i);
        uint8_t* row = sink_.rowMemory(y);
        if (!row) {
            own.resize(size_t(width));
            row = own.data();
        }
        if (desc.Width < width) std::memcpy(row, blank.data(), blank.size());
        if (DGifGetLine(gif_, row + desc.Left, desc.Width) == GIF_ERROR) return failWithGif();
        sink_.putRow(y, row);
    }
    return true;
}

// LZW data may hold indexes past the colour table; they show black, and a 1 or 4-bit image
// whose indexes do not fit its depth becomes 8-bit.
bool fitIndexes(Image& image, int transparent) {
    uint8_t highest = 0;
    for (int y = 0; y < image.height(); ++y) {
        const uint8_t* p = image.row(y);
        highest = std::max(highest, *std::max_element(p, p + image.width()));
    }
    if (highest >= (1 << image.bitsPerPixel())) {
        Image wide;
        if (!wide.allocate(image.width(), image.height(), 8)) return false;
        for (int y = 0; y < image.height(); ++y)
            std::memcpy(wide.row(y), image.row(y), size_t(image.width()));
        wide.palette = std::move(image.palette);
        wide.comment = std::move(image.comment);
        image = std::move(wide);
    }
    if (highest >= image.palette.size()) image.palette.resize(size_t(highest) + 1);
    if (transparent >= 0 && size_t(transparent) < image.palette.size())
        image.palette[size_t(transparent)].a = 0;
    return true;
}

// Counts the frames of an opened file, skipping their data; damage ends the count.
int countFrames(GifFileType* gif) {
    constexpr int kMaxFrames = 10000;  // giflib keeps a record of every descriptor it reads
    int frames = 0;
    GifRecordType type;
    while (frames < kMaxFrames && DGifGetRecordType(gif, &type) != GIF_ERROR &&
           type != TERMINATE_RECORD_TYPE) {
        GifByteType* block = nullptr;
        if (type == IMAGE_DESC_RECORD_TYPE) {
            int codeSize = 0;
            if (DGifGetImageDesc(gif) == GIF_ERROR ||
                DGifGetCode(gif, &codeSize, &block) == GIF_ERROR)
                break;
            while (block)
                if (DGifGetCodeNext(gif, &block) == GIF_ERROR) return frames;
            ++frames;
        } else if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) break;
            while (block)
                if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return frames;
        }
    }
    return frames;
}

}  // namespace

int gifFrameCount(const uint8_t* data, size_t size) {
    MemorySource source(data, size);
    SourceReader reader(source);
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, readFromSource, &error);
    if (!gif) return 1;
    const int frames = countFrames(gif);
    DGifCloseFile(gif, &error);
    return std::max(frames, 1);
}

bool decodeGifRows(ByteSource& source, const LoadOptions&, RowSink& sink) {
    return GifDecoder(source, sink).run();
}

bool decodeGif(const uint8_t* data, size_t size, const LoadOptions& options, Image& out) {
    MemorySource source(data, size);
    return decodeGifSource(source, options, out);
}

bool decodeGifSource(ByteSource& source, const LoadOptions& options, Image& out) {
    ImageRowSink sink;
    GifDecoder decoder(source, sink);
    Image image;
    if (!decoder.run() || !sink.finish(options, image) || !fitIndexes(image, decoder.transparent()))
        return false;
    out = std::move(image);
    return true;
}

bool readGifFacts(ByteSource& source, ImageFacts& out) {
    return readFactsWithRows(decodeGifRows, source, out);
}

}  // namespace ximora::engine
