// Decoder for FlashPix 1.0.1 images (Digital Imaging Group, 1997): an image view whose source
// image object holds a pyramid of tiled resolutions.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/codecs/flashpix/compound_file.h"
#include "engine/codecs/flashpix/flashpix_codec.h"
#include "engine/codecs/flashpix/flashpix_format.h"
#include "engine/codecs/flashpix/flashpix_jpeg.h"
#include "engine/codecs/flashpix/flashpix_pixels.h"
#include "engine/codecs/flashpix/property_set.h"
#include "engine/core/error.h"
#include "engine/io/bytes.h"

namespace ximora::engine {
namespace {

using namespace flashpix;

constexpr int kMaxTileSide = 1024;
constexpr uint32_t kNumericalFormatByte = kVtUi1;

struct Subimage {
    int width = 0, height = 0;
    int tileWidth = 0, tileHeight = 0, across = 0, down = 0;
    int channels = 0;
    std::vector<uint8_t> header;  // the header stream
    uint32_t table = 0, entrySize = 0;
    std::vector<uint8_t> data;  // the data stream
};

class FlashPixDecoder {
  public:
    bool run(const uint8_t* data, size_t size, const LoadOptions& options);
    Image image;

  private:
    bool findImage();
    int chooseLevel(int minSide) const;
    bool readSubimage(int level);
    bool readLayout(int level);
    bool readTiles();
    bool readTile(int index, std::vector<uint8_t>& pixels);
    bool jpegTile(uint32_t subtype, const uint8_t* bytes, uint32_t size,
                  std::vector<uint8_t>& pixels);
    void takeFacts();

    CompoundFile file_;
    int store_ = 0;  // the storage of the source image object
    PropertySetReader contents_;
    int levels_ = 0;
    Subimage sub_;
    ChannelLayout layout_;
    JpegTileDecoder jpeg_;
    int loadedTables_ = -1;
};

// Reads the subimage sides kept in the Image Contents for `level`; 0 when absent.
int propertySide(const PropertySetReader& contents, uint32_t id, int level) {
    const auto value = contents.integer(id | uint32_t(level) << 16);
    return value && *value <= uint32_t(kMaxSide) ? int(*value) : 0;
}

bool FlashPixDecoder::run(const uint8_t* data, size_t size, const LoadOptions& options) {
    if (!file_.open(data, size)) return false;
    if (!findImage()) return false;
    const int level = chooseLevel(options.minSide);
    if (!readSubimage(level) || !readLayout(level)) return false;
    if (!image.allocate(sub_.width, sub_.height, layout_.imageChannels() * 8,
                        layout_.imageChannels() == 1))
        return false;
    if (layout_.imageChannels() == 1) image.palette = greyPalette(8);
    if (!readTiles()) return false;
    takeFacts();
    return true;
}

// The source image object: the "Data Object Store 000001" storage of an image view, or the
// root itself in files that hold a bare image object.
bool FlashPixDecoder::findImage() {
    const int store = file_.child(file_.root(), kImageStore);
    store_ = store != CompoundFile::kNoEntry && file_.isStorage(store) ? store : file_.root();
    const int stream = file_.child(store_, kImageContents);
    std::vector<uint8_t> bytes;
    if (stream == CompoundFile::kNoEntry || file_.isStorage(stream)) return fail(kErrFileBroken);
    if (!file_.read(stream, bytes) || !contents_.parse(std::move(bytes))) return false;
    const auto levels = contents_.integer(kPidResolutionCount);
    if (!levels || *levels < 1 || *levels > 32) return fail(kErrFileBroken);
    levels_ = int(*levels);
    return true;
}

// The full image, or for a reduced load the smallest level whose sides stay at least
// minSide by the sizes the Image Contents gives.
int FlashPixDecoder::chooseLevel(int minSide) const {
    // Files that keep fewer levels than they count keep the largest under the highest number.
    int top = levels_ - 1;
    while (top > 0 && file_.child(store_, resolutionName(top)) == CompoundFile::kNoEntry) --top;
    if (minSide <= 0) return top;
    for (int level = 0; level < top; ++level) {
        const int w = propertySide(contents_, kPidSubimageWidth, level);
        const int h = propertySide(contents_, kPidSubimageHeight, level);
        if (w >= minSide && h >= minSide &&
            file_.child(store_, resolutionName(level)) != CompoundFile::kNoEntry)
            return level;
    }
    return top;
}

bool FlashPixDecoder::readSubimage(int level) {
    const int storage = file_.child(store_, resolutionName(level));
    if (storage == CompoundFile::kNoEntry || !file_.isStorage(storage)) return fail(kErrFileBroken);
    const int header = file_.child(storage, kSubimageHeader);
    const int data = file_.child(storage, kSubimageData);
    if (header == CompoundFile::kNoEntry || data == CompoundFile::kNoEntry ||
        file_.isStorage(header) || file_.isStorage(data))
        return fail(kErrFileBroken);
    if (!file_.read(header, sub_.header)) return false;
    const auto& h = sub_.header;
    if (h.size() < kStreamHeader + kSubimageFields) return fail(kErrFileBroken);
    const uint8_t* f = h.data() + kStreamHeader;
    const uint32_t width = readLe32(f + 4), height = readLe32(f + 8), tiles = readLe32(f + 12);
    const uint32_t tileWidth = readLe32(f + 16), tileHeight = readLe32(f + 20);
    const uint32_t channels = readLe32(f + 24);
    sub_.table = readLe32(f + 28);
    sub_.entrySize = readLe32(f + 32);
    if (!width || !height || !tileWidth || !tileHeight || tileWidth > kMaxTileSide ||
        tileHeight > kMaxTileSide || channels < 1 || channels > 4 || sub_.entrySize < kTileEntry ||
        sub_.entrySize > 1024)
        return fail(kErrFileBroken);
    sub_.width = int(width), sub_.height = int(height), sub_.channels = int(channels);
    sub_.tileWidth = int(tileWidth), sub_.tileHeight = int(tileHeight);
    sub_.across = int((width + tileWidth - 1) / tileWidth);
    sub_.down = int((height + tileHeight - 1) / tileHeight);
    if (uint64_t(sub_.across) * uint64_t(sub_.down) != tiles ||
        uint64_t(kStreamHeader) + sub_.table + uint64_t(tiles) * sub_.entrySize > h.size())
        return fail(kErrFileBroken);
    if (!Image::fitsLimits(width, height, 32)) return false;
    return file_.read(data, sub_.data);
}

bool FlashPixDecoder::readLayout(int level) {
    const uint32_t shift = uint32_t(level) << 16;
    if (const auto blob = contents_.blob(kPidSubimageColour | shift)) {
        if (!parseChannelLayout(*blob, layout_) || layout_.channels != sub_.channels)
            return fail(kErrFileBroken);
    } else {
        layout_ = defaultLayout(sub_.channels);
    }
    if (const auto formats = contents_.integers(kPidNumericalFormat | shift))
        for (uint32_t format : *formats)
            if (format != kNumericalFormatByte) return fail(kErrUnsupported);
    return true;
}

bool FlashPixDecoder::readTiles() {
    const int tw = sub_.tileWidth, th = sub_.tileHeight, channels = sub_.channels;
    std::vector<uint8_t> pixels(size_t(tw) * size_t(th) * size_t(channels));
    const int shown = layout_.imageChannels();
    for (int ty = 0; ty < sub_.down; ++ty)
        for (int tx = 0; tx < sub_.across; ++tx) {
            if (!readTile(ty * sub_.across + tx, pixels)) return false;
            const int left = tx * tw, top = ty * th;
            const int w = std::min(tw, sub_.width - left), h = std::min(th, sub_.height - top);
            for (int y = 0; y < h; ++y)
                storedToImage(layout_, pixels.data() + size_t(y) * size_t(tw) * size_t(channels), w,
                              image.row(top + y) + size_t(left) * size_t(shown));
        }
    return true;
}

bool FlashPixDecoder::readTile(int index, std::vector<uint8_t>& pixels) {
    const uint8_t* entry =
        sub_.header.data() + kStreamHeader + sub_.table + size_t(index) * sub_.entrySize;
    const uint32_t offset = readLe32(entry), size = readLe32(entry + 4);
    const uint32_t compression = readLe32(entry + 8), subtype = readLe32(entry + 12);
    if (compression == kTileSingleColour) {
        // The colour is in the subtype, channel 0 in the low byte.
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = uint8_t(subtype >> (8 * (i % size_t(sub_.channels))));
        return true;
    }
    const uint64_t at = uint64_t(kStreamHeader) + offset;
    if (at > sub_.data.size() || size > sub_.data.size() - at) return fail(kErrFileBroken);
    const uint8_t* bytes = sub_.data.data() + at;
    if (compression == kTileRaw) {
        if (size < pixels.size()) return fail(kErrFileBroken);
        std::memcpy(pixels.data(), bytes, pixels.size());
        return true;
    }
    if (compression == kTileJpeg) return jpegTile(subtype, bytes, size, pixels);
    return fail(kErrFileBroken);
}

bool FlashPixDecoder::jpegTile(uint32_t subtype, const uint8_t* bytes, uint32_t size,
                               std::vector<uint8_t>& pixels) {
    // Index 0 means that the tile carries its own tables.
    const int tables = int(subtype >> 24);
    if (tables != 0 && tables != loadedTables_) {
        const auto blob = contents_.blob(kPidJpegTables | uint32_t(tables) << 16);
        if (!blob || !jpeg_.loadTables(blob->data(), blob->size())) return fail(kErrFileBroken);
        loadedTables_ = tables;
    }
    const bool converted = (subtype >> 16 & 0xFF) != 0;
    return jpeg_.decode(bytes, size, converted, sub_.channels, sub_.tileWidth, sub_.tileHeight,
                        pixels.data());
}

void FlashPixDecoder::takeFacts() {
    // Resolution from the default display size, which describes the full image.
    const auto units = contents_.integer(kPidDisplayUnits).value_or(kUnitInch);
    const double perInch = units == kUnitMetre        ? 0.0254
                           : units == kUnitCentimetre ? 2.54
                           : units == kUnitMillimetre ? 25.4
                                                      : 1.0;
    const auto fullWidth = contents_.integer(kPidWidth), fullHeight = contents_.integer(kPidHeight);
    const auto displayWidth = contents_.real(kPidDisplayWidth);
    const auto displayHeight = contents_.real(kPidDisplayHeight);
    if (fullWidth && fullHeight && displayWidth && displayHeight && *displayWidth > 0 &&
        *displayHeight > 0) {
        const double x = *fullWidth / (*displayWidth / perInch);
        const double y = *fullHeight / (*displayHeight / perInch);
        if (x >= 1 && y >= 1 && x < 1e6 && y < 1e6)
            image.dpiX = int(std::lround(x)), image.dpiY = int(std::lround(y));
    }
    const int summary = file_.child(file_.root(), kSummaryInformation);
    std::vector<uint8_t> bytes;
    PropertySetReader properties;
    if (summary != CompoundFile::kNoEntry && !file_.isStorage(summary) &&
        file_.read(summary, bytes) && properties.parse(std::move(bytes)))
        image.comment = properties.text(kPidComments).value_or(std::string{});
    clearLastError();
}

}  // namespace

bool decodeFlashPix(const uint8_t* data, size_t size, const LoadOptions& options, Image& out) {
    FlashPixDecoder decoder;
    if (!decoder.run(data, size, options)) return false;
    out = std::move(decoder.image);
    return true;
}

}  // namespace ximora::engine
