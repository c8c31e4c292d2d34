// Decoder for JPEG XL files (ISO/IEC 18181), read through libjxl:
// https://libjxl.readthedocs.io/en/latest/api_decoder.html
#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "engine/codecs/jxl/jxl_codec.h"
#include "engine/codecs/jxl/jxl_error.h"
#include "engine/codecs/raster_pages.h"
#include "engine/codecs/sample_depth.h"
#include "engine/core/error.h"
#include "engine/core/parallel.h"
#include "engine/io/byte_source.h"
#include "engine/io/bytes.h"
#include "engine/metadata/exif.h"
#include "engine/metadata/orientation.h"

namespace ximora::engine {
namespace {

// Frames past this many are not counted (the count is only shown).
constexpr int kMostFramesCounted = 100000;

bool isSrgb(const JxlColorEncoding& c) {
    return (c.color_space == JXL_COLOR_SPACE_RGB || c.color_space == JXL_COLOR_SPACE_GRAY) &&
           c.white_point == JXL_WHITE_POINT_D65 &&
           (c.color_space == JXL_COLOR_SPACE_GRAY || c.primaries == JXL_PRIMARIES_SRGB) &&
           c.transfer_function == JXL_TRANSFER_FUNCTION_SRGB;
}

// The picture the decoder gives for `info`: upright (orientations 5 to 8 swap the sides), 8-bit
// grey for a grey picture without alpha, 32 bits with alpha, else 24.
ImageFacts factsOf(const JxlBasicInfo& info) {
    const bool swap = info.orientation >= JXL_ORIENT_TRANSPOSE;
    const bool alpha = info.alpha_bits > 0;
    ImageFacts facts;
    facts.width = int(std::min<uint32_t>(swap ? info.ysize : info.xsize, INT32_MAX));
    facts.height = int(std::min<uint32_t>(swap ? info.xsize : info.ysize, INT32_MAX));
    facts.grey = info.num_color_channels == 1 && !alpha;
    facts.bitsPerPixel = facts.grey ? 8 : alpha ? 32 : 24;
    facts.sampleBits = int(std::clamp<uint32_t>(info.bits_per_sample, 8, 16));
    return facts;
}

// The EXIF and XMP boxes of a JPEG XL container (ISO/IEC 18181-2): top-level "Exif" boxes hold
// a 4-byte offset before the TIFF header, "xml " boxes the XMP packet. Brotli-compressed boxes
// ("brob") are left alone.
void readMetadataBoxes(const uint8_t* data, size_t size, Metadata& metadata) {
    for (uint64_t at = 0; at + 8 <= size;) {
        uint64_t length = readBe32(data + at), content = at + 8;
        const uint32_t type = readBe32(data + at + 4);
        if (length == 1) {
            if (at + 16 > size) return;
            length = uint64_t(readBe32(data + at + 8)) << 32 | readBe32(data + at + 12);
            content = at + 16;
        } else if (length == 0) {
            length = size - at;
        }
        if (length < content - at || length > size - at) return;
        const uint64_t end = at + length;
        if (type == 0x45786966 && end - content >= 4) {  // "Exif"
            const uint64_t tiff = content + 4 + readBe32(data + content);
            if (tiff < end) metadata.exif.assign(data + tiff, data + end);
        } else if (type == 0x786D6C20) {  // "xml "
            metadata.xmp.assign(data + content, data + end);
        }
        at = end;
    }
}

class JxlReader {
  public:
    /// `keepDeep`: a picture of more than 8 bits a sample keeps them (deep_samples.h).
    JxlReader(const uint8_t* data, size_t size, bool keepDeep)
        : data_(data), size_(size), keepDeep_(keepDeep) {}
    bool run(Image& image);

  private:
    bool takeBasicInfo(JxlDecoder* decoder, Image& image);
    void chooseColours(JxlDecoder* decoder, Image& image);
    /// Narrows the 16-bit samples into the image and keeps them beside it.
    bool takeWideSamples(Image& image);

    const uint8_t* data_;
    size_t size_;
    bool keepDeep_;
    JxlBasicInfo info_{};
    JxlPixelFormat format_{};
    std::vector<uint16_t> wide_;  // the picture at 16 bits a sample, when it is kept
};

bool JxlReader::run(Image& image) {
    std::unique_ptr<void, JxlRunnerDeleter> runner;
    const JxlDecoderPtr decoder = makeJxlDecoder(data_, size_, workerCount(), runner);
    if (!decoder) return false;
    if (jxlLibrary()->JxlDecoderSubscribeEvents(
            decoder.get(), JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING | JXL_DEC_FULL_IMAGE) !=
        JXL_DEC_SUCCESS)
        return fail(kErrOther);
    for (;;) {
        const JxlDecoderStatus status = jxlLibrary()->JxlDecoderProcessInput(decoder.get());
        switch (status) {
            case JXL_DEC_BASIC_INFO:
                if (!takeBasicInfo(decoder.get(), image)) return false;
                break;
            case JXL_DEC_COLOR_ENCODING:
                chooseColours(decoder.get(), image);
                break;
            case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
                size_t needed = 0;
                void* buffer = wide_.empty() ? static_cast<void*>(image.data()) : wide_.data();
                const size_t room = wide_.empty() ? image.byteCount() : wide_.size() * 2;
                if (image.empty() ||
                    jxlLibrary()->JxlDecoderImageOutBufferSize(decoder.get(), &format_, &needed) !=
                        JXL_DEC_SUCCESS ||
                    needed > room ||
                    jxlLibrary()->JxlDecoderSetImageOutBuffer(decoder.get(), &format_, buffer,
                                                              room) != JXL_DEC_SUCCESS)
                    return fail(kErrFileBroken);
                break;
            }
            case JXL_DEC_FULL_IMAGE:  // the first frame is all that is shown
                return wide_.empty() || takeWideSamples(image);
            case JXL_DEC_ERROR:
            case JXL_DEC_NEED_MORE_INPUT:
            case JXL_DEC_SUCCESS:  // ended without a picture
                return failWithJxl(status);
            default:
                break;
        }
    }
}

bool JxlReader::takeBasicInfo(JxlDecoder* decoder, Image& image) {
    if (jxlLibrary()->JxlDecoderGetBasicInfo(decoder, &info_) != JXL_DEC_SUCCESS)
        return fail(kErrFileBroken);
    const ImageFacts facts = factsOf(info_);
    const int width = facts.width, height = facts.height, bits = facts.bitsPerPixel;
    const bool grey = facts.grey, alpha = bits == 32;
    if (!Image::fitsLimits(width, height, bits)) return false;
    // Besides the picture it renders into, libjxl 0.7 holds about three bytes a pixel of a lossy
    // picture while it decodes (measured; a lossless one takes less).
    if (Image::rasterBytes(width, height, bits) + uint64_t(width) * uint64_t(height) * 4 >
        memoryLimit())
        return fail(kErrMemory);
    if (!image.allocate(width, height, bits, grey)) return false;
    preferHugePages(image);
    if (grey) image.palette = greyPalette(8);
    const uint32_t channels = grey ? 1 : alpha ? 4 : 3;
    if (keepDeep_ && facts.sampleBits > 8) {
        // The samples at 16 bits, unpadded, narrowed into the image when the frame is done.
        const uint64_t count = uint64_t(width) * uint64_t(height) * channels;
        if (Image::rasterBytes(width, height, bits) + uint64_t(width) * uint64_t(height) * 4 +
                count * 4 >
            memoryLimit())
            return fail(kErrMemory);
        try {
            wide_.resize(size_t(count));
        } catch (const std::bad_alloc&) {
            return fail(kErrMemory);
        }
        format_ = {channels, JXL_TYPE_UINT16, JXL_NATIVE_ENDIAN, 0};
        return true;
    }
    // Rows padded to 4 bytes, as the image keeps them.
    format_ = {channels, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 4};
    return true;
}

bool JxlReader::takeWideSamples(Image& image) {
    const int channels = int(format_.num_channels);
    auto deep = std::make_unique<DeepSamples>();
    deep->width = image.width(), deep->height = image.height(), deep->channels = channels;
    deep->samples = std::move(wide_);
    deep->charge = MemoryCharge(deep->samples.size() * 2);
    parallelRows(image.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uint16_t* in = deep->row(y);
            uint8_t* out = image.row(y);
            for (size_t i = 0; i < size_t(image.width()) * size_t(channels); ++i)
                out[i] = narrowSample(in[i], 65535);
        }
    });
    attachDeepSamples(image, std::move(deep));
    return true;
}

// A lossy picture is stored in the codec's own colour space and may be rendered in any other:
// its original one when the file names it, sRGB otherwise (no colour management inside
// libjxl can reach an arbitrary ICC profile). The profile of what comes out is kept.
void JxlReader::chooseColours(JxlDecoder* decoder, Image& image) {
    if (!info_.uses_original_profile) {
        JxlColorEncoding preferred;
        if (jxlLibrary()->JxlDecoderGetColorAsEncodedProfile(
                decoder, nullptr, JXL_COLOR_PROFILE_TARGET_ORIGINAL, &preferred) != JXL_DEC_SUCCESS)
            jxlLibrary()->JxlColorEncodingSetToSRGB(&preferred, info_.num_color_channels == 1);
        jxlLibrary()->JxlDecoderSetPreferredColorProfile(decoder, &preferred);
    }
    JxlColorEncoding rendered;
    if (jxlLibrary()->JxlDecoderGetColorAsEncodedProfile(
            decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &rendered) == JXL_DEC_SUCCESS &&
        isSrgb(rendered))
        return;
    size_t size = 0;
    if (jxlLibrary()->JxlDecoderGetICCProfileSize(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA,
                                                  &size) != JXL_DEC_SUCCESS ||
        size == 0)
        return;
    image.metadata.icc.resize(size);
    if (jxlLibrary()->JxlDecoderGetColorAsICCProfile(
            decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, image.metadata.icc.data(), size) !=
        JXL_DEC_SUCCESS)
        image.metadata.icc.clear();
}

}  // namespace

bool readJxlFacts(ByteSource& source, ImageFacts& out) {
    const JxlDecoderPtr decoder = newJxlDecoder();
    if (!decoder) return false;
    if (jxlLibrary()->JxlDecoderSubscribeEvents(decoder.get(), JXL_DEC_BASIC_INFO) !=
        JXL_DEC_SUCCESS)
        return fail(kErrOther);
    // The basic info lies near the start (after any boxes before the codestream): the file is
    // fed in pieces until it has come, keeping only what the decoder has not yet taken.
    constexpr size_t kPiece = 64 << 10;
    std::vector<uint8_t> input;
    uint64_t next = 0;
    for (;;) {
        const JxlDecoderStatus status = jxlLibrary()->JxlDecoderProcessInput(decoder.get());
        if (status == JXL_DEC_BASIC_INFO) break;
        if (status != JXL_DEC_NEED_MORE_INPUT || next >= source.size()) return failWithJxl(status);
        const size_t kept = jxlLibrary()->JxlDecoderReleaseInput(decoder.get());
        input.erase(input.begin(), input.end() - long(kept));
        const size_t piece = size_t(std::min<uint64_t>(kPiece, source.size() - next));
        input.resize(kept + piece);
        if (source.read(next, input.data() + kept, piece) != piece) return fail(kErrCannotRead);
        next += piece;
        if (jxlLibrary()->JxlDecoderSetInput(decoder.get(), input.data(), input.size()) !=
            JXL_DEC_SUCCESS)
            return fail(kErrOther);
        if (next == source.size()) jxlLibrary()->JxlDecoderCloseInput(decoder.get());
    }
    JxlBasicInfo info;
    if (jxlLibrary()->JxlDecoderGetBasicInfo(decoder.get(), &info) != JXL_DEC_SUCCESS)
        return fail(kErrFileBroken);
    const ImageFacts facts = factsOf(info);
    if (!Image::fitsSides(facts.width, facts.height)) return false;
    out = facts;
    return true;
}

int jxlFrameCount(const uint8_t* data, size_t size) {
    std::unique_ptr<void, JxlRunnerDeleter> runner;
    const JxlDecoderPtr decoder = makeJxlDecoder(data, size, 1, runner);
    if (!decoder ||
        jxlLibrary()->JxlDecoderSubscribeEvents(decoder.get(), JXL_DEC_FRAME) != JXL_DEC_SUCCESS)
        return 1;
    int frames = 0;
    while (frames < kMostFramesCounted &&
           jxlLibrary()->JxlDecoderProcessInput(decoder.get()) == JXL_DEC_FRAME)
        ++frames;
    return std::max(frames, 1);
}

bool decodeJxl(const uint8_t* data, size_t size, const LoadOptions& options, Image& out) {
    const JxlSignature signature = jxlSignature(data, size);
    if (signature == JXL_SIG_NOT_ENOUGH_BYTES) return fail(kErrCannotRead);
    if (signature != JXL_SIG_CODESTREAM && signature != JXL_SIG_CONTAINER) return fail(kErrBadFile);
    Image image;
    JxlReader reader(data, size, options.keepMetadata);
    if (!reader.run(image)) return false;
    if (signature == JXL_SIG_CONTAINER && options.keepMetadata) {
        readMetadataBoxes(data, size, image.metadata);
        // libjxl has turned the picture upright already.
        if (exifOrientation(image.metadata.exif) > 1) setExifOrientation(image.metadata.exif, 1);
    }
    if (!finishLoadedMetadata(image, options)) return false;
    out = std::move(image);
    return true;
}

}  // namespace ximora::engine
