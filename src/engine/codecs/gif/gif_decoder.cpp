// Decoder for GIF 87a/89a: https://www.w3.org/Graphics/GIF/spec-gif89a.txt
#include <gif_lib.h>

#include <algorithm>
#include <cstring>

#include "engine/codecs/gif/gif_codec.h"
#include "engine/codecs/gif/gif_error.h"
#include "engine/codecs/gif/gif_interlace.h"
#include "engine/core/error.h"

namespace ximora::engine {
namespace {

// An LZW code of at least 3 bits expands to at most 4096 pixels, so a byte of data yields
// fewer than 11000 pixels; a frame claiming more than that is cut short, whatever its size.
constexpr uint64_t kMaxPixelsPerByte = 11000;

struct MemoryReader {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
};

int readFromMemory(GifFileType* gif, GifByteType* out, int length) {
    auto* reader = static_cast<MemoryReader*>(gif->UserData);
    const size_t n = std::min(size_t(std::max(length, 0)), reader->size - reader->at);
    std::memcpy(out, reader->data + reader->at, n);
    reader->at += n;
    return int(n);
}

int bitsForColours(int count) { return count <= 2 ? 1 : count <= 16 ? 4 : 8; }

class GifDecoder {
  public:
    ~GifDecoder() {
        int error = 0;
        if (gif_) DGifCloseFile(gif_, &error);
    }
    bool run(const uint8_t* data, size_t size);
    Image image;

  private:
    bool readExtension();
    bool readFrame();
    bool fitIndexes();
    bool failWithGif() { return fail(gifErrorCode(gif_->Error)); }

    GifFileType* gif_ = nullptr;
    MemoryReader reader_{nullptr, 0};
    int transparent_ = -1;
    bool haveComment_ = false;
};

bool GifDecoder::run(const uint8_t* data, size_t size) {
    reader_ = MemoryReader{data, size};
    int error = 0;
    gif_ = DGifOpen(&reader_, readFromMemory, &error);
    if (!gif_) return fail(gifErrorCode(error));
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
    if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
        GraphicsControlBlock control;
        if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
            transparent_ = control.TransparentColor;
    }
    while (block) {
        if (comment) image.comment.append(reinterpret_cast<const char*>(block + 1), block[0]);
        if (DGifGetExtensionNext(gif_, &block) == GIF_ERROR) return failWithGif();
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
    if (!Image::fitsLimits(width, height, 8)) return false;
    const uint64_t framePixels = uint64_t(desc.Width) * uint64_t(desc.Height);
    if (framePixels > uint64_t(reader_.size - reader_.at) * kMaxPixelsPerByte)
        return fail(kErrCannotRead);

    const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif_->SColorMap;
    const int colours = map ? std::clamp(map->ColorCount, 1, 256) : 256;
    const int bits = bitsForColours(colours);
    if (!image.allocate(int(width), int(height), bits)) return false;
    if (map) {
        image.palette.resize(size_t(colours));
        for (int i = 0; i < colours; ++i)
            image.palette[size_t(i)] =
                Colour{map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue, 255};
    } else {
        image.palette = greyPalette(8);
    }
    const bool covers =
        desc.Left == 0 && desc.Top == 0 && desc.Width == width && desc.Height == height;
    if (!covers) {
        const int background = transparent_ >= 0 ? transparent_ : gif_->SBackGroundColor;
        std::memset(image.data(), background < colours ? background : 0, image.byteCount());
    }
    for (int i = 0; i < desc.Height; ++i) {
        const int y = desc.Interlace ? gifInterlacedRow(i, desc.Height) : i;
        if (DGifGetLine(gif_, image.row(desc.Top + y) + desc.Left, desc.Width) == GIF_ERROR)
            return failWithGif();
    }
    return fitIndexes();
}

// LZW data may hold indexes past the colour table; they show black, and a 1 or 4-bit image
// whose indexes do not fit its depth becomes 8-bit.
bool GifDecoder::fitIndexes() {
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
    if (transparent_ >= 0 && size_t(transparent_) < image.palette.size())
        image.palette[size_t(transparent_)].a = 0;
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
    MemoryReader reader{data, size};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, readFromMemory, &error);
    if (!gif) return 1;
    const int frames = countFrames(gif);
    DGifCloseFile(gif, &error);
    return std::max(frames, 1);
}

bool decodeGif(const uint8_t* data, size_t size, const LoadOptions&, Image& out) {
    GifDecoder decoder;
    if (!decoder.run(data, size)) return false;
    out = std::move(decoder.image);
    return true;
}

}  // namespace ximora::engine
