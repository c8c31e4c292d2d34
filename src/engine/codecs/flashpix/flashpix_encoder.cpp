// Encoder for FlashPix 1.0.1 images (Digital Imaging Group, 1997): an image view holding one
// source image object with the full resolution pyramid, in uncompressed or JPEG tiles.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/codecs/flashpix/compound_file_writer.h"
#include "engine/codecs/flashpix/flashpix_codec.h"
#include "engine/codecs/flashpix/flashpix_format.h"
#include "engine/codecs/flashpix/flashpix_jpeg.h"
#include "engine/codecs/flashpix/flashpix_pixels.h"
#include "engine/codecs/flashpix/property_set.h"
#include "engine/codecs/row_convert.h"
#include "engine/core/error.h"
#include "engine/io/bytes.h"

namespace ximora::engine {
namespace {

using namespace flashpix;

constexpr int16_t kWesternCodePage = 1252;
constexpr int16_t kJapaneseCodePage = 932;  // comments are kept in the system code page
constexpr int32_t kNoDecimation = 0, kFourPointDecimation = 4;
constexpr uint32_t kPidDataObjectId = 0x00010000, kPidDataObjectStatus = 0x00010100;
constexpr uint32_t kPidCreatingTransform = 0x00010101, kPidUsingTransforms = 0x00010102;
constexpr uint32_t kPidCachedHeight = 0x10000000, kPidCachedWidth = 0x10000001;
constexpr uint32_t kPidVisibleOutputs = 0x00010100, kPidMaxImageIndex = 0x00010101;
constexpr uint32_t kPidMaxTransformIndex = 0x00010102, kPidMaxOperationIndex = 0x00010103;
constexpr uint32_t kObjectExists = 0x00010001;  // exists, not purgeable

// One resolution: stored channels, interleaved, premultiplied where the layout says so.
struct Level {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;
};

std::vector<uint8_t> withStreamHeader(const ClassId& classId, const std::vector<uint8_t>& body) {
    std::vector<uint8_t> out;
    out.reserve(kStreamHeader + body.size());
    ByteWriter w(out);
    w.le16(0xFFFE), w.le16(0), w.le32(0x00020006);
    w.bytes(classId.data(), classId.size());
    w.le32(1);
    w.bytes(body.data(), body.size());
    return out;
}

std::vector<uint8_t> compObj(const ClassId& classId, const std::string& userType) {
    std::vector<uint8_t> out;
    ByteWriter w(out);
    w.le32(0xFFFE0001), w.le32(0x00000A03), w.le32(0xFFFFFFFF);
    w.bytes(classId.data(), classId.size());
    w.le32(uint32_t(userType.size() + 1));
    w.bytes(reinterpret_cast<const uint8_t*>(userType.c_str()), userType.size() + 1);
    w.le32(0);  // no clipboard format
    w.le32(0);  // no program identifier
    return out;
}

// Halves a level (sides rounded up), each pixel the mean of up to four.
Level halve(const Level& from, int channels) {
    Level to;
    to.width = (from.width + 1) / 2, to.height = (from.height + 1) / 2;
    to.pixels.resize(size_t(to.width) * size_t(to.height) * size_t(channels));
    const auto at = [&](int x, int y) {
        return from.pixels.data() + (size_t(std::min(y, from.height - 1)) * size_t(from.width) +
                                     size_t(std::min(x, from.width - 1))) *
                                        size_t(channels);
    };
    uint8_t* out = to.pixels.data();
    for (int y = 0; y < to.height; ++y)
        for (int x = 0; x < to.width; ++x, out += channels) {
            const uint8_t *a = at(2 * x, 2 * y), *b = at(2 * x + 1, 2 * y);
            const uint8_t *c = at(2 * x, 2 * y + 1), *d = at(2 * x + 1, 2 * y + 1);
            for (int k = 0; k < channels; ++k)
                out[k] = uint8_t((a[k] + b[k] + c[k] + d[k] + 2) / 4);
        }
    return to;
}

class FlashPixEncoder {
  public:
    bool run(const Image& image, const SaveOptions& options, std::vector<uint8_t>& out);

  private:
    bool makeLevels(const Image& image);
    bool writeLevel(const Level& level, std::vector<uint8_t>& header, std::vector<uint8_t>& data);
    void tile(const Level& level, int left, int top, std::vector<uint8_t>& pixels) const;
    std::vector<uint8_t> imageContents(const Image& image) const;
    std::vector<uint8_t> summary(const Image& image) const;
    std::vector<uint8_t> sourceDescription() const;

    ChannelLayout layout_;
    std::vector<Level> levels_;  // the full image first
    bool jpeg_ = false;
    JpegTileEncoder jpegTiles_;
    std::vector<uint8_t> tables_;
};

bool FlashPixEncoder::makeLevels(const Image& image) {
    const bool grey = indexesAreGreyLevels(image);
    layout_ = defaultLayout(grey ? 1 : image.bitsPerPixel() == 32 ? 4 : 3);
    const int shown = layout_.imageChannels(), channels = layout_.channels;
    Level full;
    full.width = image.width(), full.height = image.height();
    const uint64_t bytes = uint64_t(full.width) * uint64_t(full.height) * uint64_t(channels);
    if (bytes * 2 > memoryLimit()) return fail(kErrMemory);  // the pyramid adds a third
    full.pixels.resize(size_t(bytes));
    std::vector<uint8_t> row(size_t(image.width()) * 4);
    for (int y = 0; y < image.height(); ++y) {
        if (grey) {
            const uint8_t* in = image.row(y);
            for (int x = 0; x < image.width(); ++x) row[size_t(x)] = image.palette[in[x]].r;
        } else if (shown == 4) {
            rowToRgba(image, y, row.data());
        } else {
            rowToRgb(image, y, row.data());
        }
        imageToStored(layout_, row.data(), image.width(),
                      full.pixels.data() + size_t(y) * size_t(full.width) * size_t(channels));
    }
    levels_.push_back(std::move(full));
    // The pyramid goes down to the level that fits in one tile.
    while (std::max(levels_.back().width, levels_.back().height) > kTileSide)
        levels_.push_back(halve(levels_.back(), channels));
    return true;
}

// The tile at (left, top), edges filled with the last column and row.
void FlashPixEncoder::tile(const Level& level, int left, int top,
                           std::vector<uint8_t>& pixels) const {
    const size_t channels = size_t(layout_.channels);
    for (int y = 0; y < kTileSide; ++y) {
        const int sy = std::min(top + y, level.height - 1);
        uint8_t* out = pixels.data() + size_t(y) * kTileSide * channels;
        for (int x = 0; x < kTileSide; ++x) {
            const int sx = std::min(left + x, level.width - 1);
            std::memcpy(
                out + size_t(x) * channels,
                level.pixels.data() + (size_t(sy) * size_t(level.width) + size_t(sx)) * channels,
                channels);
        }
    }
}

bool FlashPixEncoder::writeLevel(const Level& level, std::vector<uint8_t>& header,
                                 std::vector<uint8_t>& data) {
    const int across = (level.width + kTileSide - 1) / kTileSide;
    const int down = (level.height + kTileSide - 1) / kTileSide;
    const uint32_t tiles = uint32_t(across) * uint32_t(down);
    std::vector<uint8_t> fields, body,
        pixels(size_t(kTileSide) * kTileSide * size_t(layout_.channels));
    std::vector<uint8_t> compressed;
    ByteWriter h(fields);
    h.le32(kSubimageFields), h.le32(uint32_t(level.width)), h.le32(uint32_t(level.height));
    h.le32(tiles), h.le32(kTileSide), h.le32(kTileSide), h.le32(uint32_t(layout_.channels));
    h.le32(kSubimageFields), h.le32(kTileEntry);
    for (int ty = 0; ty < down; ++ty)
        for (int tx = 0; tx < across; ++tx) {
            tile(level, tx * kTileSide, ty * kTileSide, pixels);
            const size_t channels = size_t(layout_.channels);
            bool single = true;
            for (size_t i = channels; i < pixels.size() && single; ++i)
                single = pixels[i] == pixels[i % channels];
            h.le32(uint32_t(body.size()));
            if (single) {
                // One colour: no data, the colour in the subtype, channel 0 lowest.
                uint32_t colour = 0;
                for (size_t c = 0; c < channels; ++c) colour |= uint32_t(pixels[c]) << (8 * c);
                h.le32(0), h.le32(kTileSingleColour), h.le32(colour);
            } else if (jpeg_) {
                if (!jpegTiles_.encode(pixels.data(), kTileSide, compressed)) return false;
                body.insert(body.end(), compressed.begin(), compressed.end());
                h.le32(uint32_t(compressed.size())), h.le32(kTileJpeg),
                    h.le32(jpegTiles_.subtype());
            } else {
                body.insert(body.end(), pixels.begin(), pixels.end());
                h.le32(uint32_t(pixels.size())), h.le32(kTileRaw), h.le32(0);
            }
            if (body.size() > UINT32_MAX) return fail(kErrMemory);
        }
    header = withStreamHeader(subimageHeaderClass(), fields);
    data = withStreamHeader(subimageDataClass(), body);
    return true;
}

std::vector<uint8_t> FlashPixEncoder::imageContents(const Image& image) const {
    PropertySetWriter p;
    p.i2(kPidCodePage, kWesternCodePage);
    const int count = int(levels_.size());
    p.u4(kPidResolutionCount, uint32_t(count));
    p.u4(kPidWidth, uint32_t(image.width()));
    p.u4(kPidHeight, uint32_t(image.height()));
    if (image.dpiX > 0 && image.dpiY > 0) {
        p.r4(kPidDisplayHeight, float(image.height()) / float(image.dpiY));
        p.r4(kPidDisplayWidth, float(image.width()) / float(image.dpiX));
        p.u4(kPidDisplayUnits, kUnitInch);
    }
    const std::vector<uint8_t> colour = channelLayoutBlob(layout_);
    const std::vector<uint32_t> formats(size_t(layout_.channels), kVtUi1);
    for (int number = 0; number < count; ++number) {
        const Level& level = levels_[size_t(count - 1 - number)];
        const uint32_t shift = uint32_t(number) << 16;
        p.u4(kPidSubimageWidth | shift, uint32_t(level.width));
        p.u4(kPidSubimageHeight | shift, uint32_t(level.height));
        p.blob(kPidSubimageColour | shift, colour);
        p.u4Vector(kPidNumericalFormat | shift, formats);
        p.i4(kPidDecimation | shift, number == count - 1 ? kNoDecimation : kFourPointDecimation);
    }
    if (jpeg_) {
        p.blob(kPidJpegTables | 1u << 16, tables_);
        p.u4(kPidMaxJpegTable, 1);
    }
    return p.finish(imageContentsFormat());
}

std::vector<uint8_t> FlashPixEncoder::summary(const Image& image) const {
    PropertySetWriter p;
    p.i2(kPidCodePage, kJapaneseCodePage);
    if (!image.comment.empty()) p.text(kPidComments, image.comment);
    p.text(kPidApplication, "Ximora");
    return p.finish(summaryInformationFormat());
}

std::vector<uint8_t> FlashPixEncoder::sourceDescription() const {
    PropertySetWriter p;
    p.i2(kPidCodePage, kWesternCodePage);
    // The object's identity only has to be unique within the file.
    ClassId id = imageObjectClass();
    id[0] = 1;
    p.classId(kPidDataObjectId, id);
    p.u4(kPidDataObjectStatus, kObjectExists);
    p.u4(kPidCreatingTransform, 0);  // a source image
    p.u4Vector(kPidUsingTransforms, {});
    p.u4(kPidCachedHeight, uint32_t(levels_.front().height));
    p.u4(kPidCachedWidth, uint32_t(levels_.front().width));
    return p.finish(dataObjectFormat());
}

bool FlashPixEncoder::run(const Image& image, const SaveOptions& options,
                          std::vector<uint8_t>& out) {
    if (!makeLevels(image)) return false;
    jpeg_ = options.format == kSaveFpxCompressed;
    if (jpeg_ && !jpegTiles_.begin(layout_.channels, options.jpegQuality, tables_)) return false;

    CompoundFileWriter file(imageViewClass());
    file.addStream(0, kCompObj, compObj(imageViewClass(), "FlashPix Image View"));
    file.addStream(0, kSummaryInformation, summary(image));
    file.addStream(0, kSourceDescription, sourceDescription());
    PropertySetWriter global;
    global.i2(kPidCodePage, kWesternCodePage);
    global.u4Vector(kPidVisibleOutputs, {1});
    global.u4(kPidMaxImageIndex, 1);
    global.u4(kPidMaxTransformIndex, 0);
    global.u4(kPidMaxOperationIndex, 0);
    file.addStream(0, kGlobalInfo, global.finish(globalInfoFormat()));

    const int store = file.addStorage(0, kImageStore, imageObjectClass());
    file.addStream(store, kCompObj, compObj(imageObjectClass(), "FlashPix Image Object"));
    const int count = int(levels_.size());
    for (int number = 0; number < count; ++number) {
        std::vector<uint8_t> header, data;
        if (!writeLevel(levels_[size_t(count - 1 - number)], header, data)) return false;
        const int storage = file.addStorage(store, resolutionName(number), resolutionClass());
        file.addStream(storage, kSubimageHeader, std::move(header));
        file.addStream(storage, kSubimageData, std::move(data));
    }
    file.addStream(store, kImageContents, imageContents(image));
    levels_.clear();  // the pixels now live in the streams
    return file.finish(out);
}

}  // namespace

bool encodeFlashPix(const Image& image, const SaveOptions& options, std::vector<uint8_t>& out) {
    if (image.empty()) return fail(kErrNoImage);
    if (options.format == kSaveFpxCompressed &&
        (options.jpegQuality < 1 || options.jpegQuality > 100))
        return fail(kErrBadParameter);
    std::vector<uint8_t> bytes;
    FlashPixEncoder encoder;
    if (!encoder.run(image, options, bytes)) return false;
    out = std::move(bytes);
    return true;
}

}  // namespace ximora::engine
