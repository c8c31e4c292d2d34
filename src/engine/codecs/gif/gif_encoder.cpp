// Encoder for GIF 87a/89a: https://www.w3.org/Graphics/GIF/spec-gif89a.txt
#include <gif_lib.h>

#include <algorithm>
#include <new>

#include "engine/codecs/gif/gif_codec.h"
#include "engine/codecs/gif/gif_error.h"
#include "engine/codecs/gif/gif_interlace.h"
#include "engine/core/error.h"

namespace ximora::engine {
namespace {

int writeToVector(GifFileType* gif, const GifByteType* data, int length) {
    auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
    try {
        out->insert(out->end(), data, data + length);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return length;
}

int transparentIndex(const Image& image, int colour) {
    for (size_t i = 0; i < image.palette.size(); ++i) {
        const Colour& c = image.palette[i];
        if (colour >= 0 ? (c.r << 16 | c.g << 8 | c.b) == colour : c.a == 0) return int(i);
    }
    return -1;
}

// XMP's application extension ("XMP DataXMP"): the packet as it is, then the magic trailer of
// 258 bytes (0x01, 0xFF down to 0x00, and the terminator) that ends the sub-block walk of a
// reader that knows nothing of it. A packet holding a byte 0x00 or 0x01 cannot go this way.
void appendXmp(const std::vector<uint8_t>& xmp, std::vector<uint8_t>& out) {
    if (xmp.empty() || std::any_of(xmp.begin(), xmp.end(), [](uint8_t b) { return b <= 1; }))
        return;
    static constexpr char kIdentifier[] = "XMP DataXMP";
    out.insert(out.end(), {0x21, 0xFF, 11});
    out.insert(out.end(), kIdentifier, kIdentifier + 11);
    out.insert(out.end(), xmp.begin(), xmp.end());
    out.push_back(0x01);
    for (int b = 0xFF; b >= 0; --b) out.push_back(uint8_t(b));
    out.push_back(0x00);
}

class GifEncoder {
  public:
    ~GifEncoder() {
        int error = 0;
        if (gif_) EGifCloseFile(gif_, &error);
        GifFreeMapObject(map_);
    }
    bool run(const Image& image, const SaveOptions& options, std::vector<uint8_t>& out);

  private:
    bool failWithGif() { return fail(gifErrorCode(gif_->Error)); }

    GifFileType* gif_ = nullptr;
    ColorMapObject* map_ = nullptr;
};

bool GifEncoder::run(const Image& image, const SaveOptions& options, std::vector<uint8_t>& out) {
    const int entries = 1 << image.bitsPerPixel();
    map_ = GifMakeMapObject(entries, nullptr);
    if (!map_) return fail(kErrMemory);
    for (int i = 0; i < entries; ++i) {
        const Colour c = size_t(i) < image.palette.size() ? image.palette[size_t(i)] : Colour{};
        map_->Colors[i] = GifColorType{c.r, c.g, c.b};
    }
    int error = 0;
    gif_ = EGifOpen(&out, writeToVector, &error);
    if (!gif_) return fail(gifErrorCode(error));
    const int transparent = transparentIndex(image, options.transparentColour);
    EGifSetGifVersion(gif_,
                      transparent >= 0 || !image.comment.empty() || !image.metadata.xmp.empty());
    if (EGifPutScreenDesc(gif_, image.width(), image.height(), image.bitsPerPixel(), 0, map_) ==
        GIF_ERROR)
        return failWithGif();
    if (!image.comment.empty() && EGifPutComment(gif_, image.comment.c_str()) == GIF_ERROR)
        return failWithGif();
    if (transparent >= 0) {
        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSAL_UNSPECIFIED;
        control.TransparentColor = transparent;
        GifByteType block[4];
        const size_t length = EGifGCBToExtension(&control, block);
        if (EGifPutExtension(gif_, GRAPHICS_EXT_FUNC_CODE, int(length), block) == GIF_ERROR)
            return failWithGif();
    }
    if (EGifPutImageDesc(gif_, 0, 0, image.width(), image.height(), options.interlace, nullptr) ==
        GIF_ERROR)
        return failWithGif();
    for (int i = 0; i < image.height(); ++i) {
        const int y = options.interlace ? gifInterlacedRow(i, image.height()) : i;
        // giflib does not write through the line pointer.
        if (EGifPutLine(gif_, const_cast<GifPixelType*>(image.row(y)), image.width()) == GIF_ERROR)
            return failWithGif();
    }
    // The image data is out; the XMP packet follows it as its application extension, written
    // here whole since giflib would cut it into sub-blocks.
    appendXmp(image.metadata.xmp, out);
    const int closed = EGifCloseFile(gif_, &error);
    gif_ = nullptr;
    if (closed == GIF_ERROR) return fail(gifErrorCode(error));
    return true;
}

}  // namespace

bool encodeGif(const Image& image, const SaveOptions& options, std::vector<uint8_t>& out) {
    if (image.empty()) return fail(kErrNoImage);
    if (image.bitsPerPixel() > 8) return fail(kErrNotApplicable);
    std::vector<uint8_t> bytes;
    GifEncoder encoder;
    if (!encoder.run(image, options, bytes)) return false;
    out = std::move(bytes);
    return true;
}

}  // namespace ximora::engine
