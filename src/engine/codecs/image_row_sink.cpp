#include "engine/codecs/image_row_sink.h"

#include <cstring>
#include <utility>

#include "engine/codecs/raster_pages.h"
#include "engine/core/error.h"
#include "engine/io/byte_source.h"
#include "engine/metadata/orientation.h"

namespace ximora::engine {
namespace {

// Keeps the layout and stops the decoder before its first row.
class FactsSink final : public RowSink {
  public:
    bool start(const RowLayout& layout) override {
        layout_ = layout;
        layout_.palette.clear();
        started_ = true;
        clearLastError();
        return false;
    }
    void putRow(int, const uint8_t*) override {}
    void putPixels(int, int, int, int, const uint8_t*) override {}
    bool started() const { return started_; }
    const RowLayout& layout() const { return layout_; }

  private:
    RowLayout layout_;
    bool started_ = false;
};

}  // namespace

bool ImageRowSink::start(const RowLayout& layout) {
    if (!image_.allocate(layout.width, layout.height, layout.bitsPerPixel, layout.grey))
        return false;
    preferHugePages(image_);
    if (image_.hasPalette()) image_.palette = layout.palette;
    deep_.reset();
    if (keepDeep_ && layout.deepChannels > 0 &&
        layout.deepChannels == deepChannelsFor(layout.bitsPerPixel, layout.grey)) {
        deep_ =
            makeDeepSamples(layout.width, layout.height, layout.deepChannels, image_.byteCount());
        if (!deep_) return false;
    }
    return true;
}

void ImageRowSink::putDeepRow(int y, const uint16_t* samples) {
    if (deep_)
        std::memcpy(deep_->row(y), samples, size_t(deep_->width) * size_t(deep_->channels) * 2);
}

void ImageRowSink::putDeepPixels(int y, int x0, int step, int count, const uint16_t* samples) {
    if (!deep_) return;
    const size_t n = size_t(deep_->channels);
    uint16_t* row = deep_->row(y);
    for (int i = 0; i < count; ++i)
        std::memcpy(row + (size_t(x0) + size_t(i) * size_t(step)) * n, samples + size_t(i) * n,
                    n * 2);
}

void ImageRowSink::putRow(int y, const uint8_t* pixels) {
    uint8_t* row = image_.row(y);
    if (pixels != row) std::memcpy(row, pixels, size_t(image_.width()) * image_.bytesPerPixel());
}

void ImageRowSink::putPixels(int y, int x0, int step, int count, const uint8_t* pixels) {
    const size_t bytes = size_t(image_.bytesPerPixel());
    uint8_t* row = image_.row(y);
    for (int i = 0; i < count; ++i)
        std::memcpy(row + (size_t(x0) + size_t(i) * size_t(step)) * bytes, pixels + i * bytes,
                    bytes);
}

void ImageRowSink::putRepeatedRow(int y0, int y1, const uint8_t* pixels) {
    for (int y = y0; y < y1; ++y) putRow(y, pixels);
}

bool ImageRowSink::finish(const LoadOptions& options, Image& out) {
    image_.dpiX = notes.dpiX;
    image_.dpiY = notes.dpiY;
    image_.comment = std::move(notes.comment);
    image_.cutShort = notes.cutShort;
    image_.metadata = std::move(notes.metadata);
    attachDeepSamples(image_, std::move(deep_));
    if (!finishLoadedImage(image_, notes.orientation, options)) return false;
    out = std::move(image_);
    return true;
}

bool decodeWholeImage(RowDecoder decoder, const uint8_t* data, size_t size,
                      const LoadOptions& options, Image& out) {
    MemorySource source(data, size);
    return decodeWholeImage(decoder, source, options, out);
}

bool decodeWholeImage(RowDecoder decoder, ByteSource& source, const LoadOptions& options,
                      Image& out) {
    ImageRowSink sink(options.keepMetadata);
    return decoder(source, options, sink) && sink.finish(options, out);
}

bool readFactsWithRows(RowDecoder decoder, ByteSource& source, ImageFacts& out) {
    FactsSink sink;
    LoadOptions options;
    options.keepMetadata = false;
    clearLastError();
    if (decoder(source, options, sink) || !sink.started()) {
        // A decoder that returned without describing the picture found none.
        if (lastError() == kOk) setLastError(kErrFileBroken);
        return false;
    }
    const RowLayout& layout = sink.layout();
    const bool swap = sink.notes.orientation >= 5;
    out.width = swap ? layout.height : layout.width;
    out.height = swap ? layout.width : layout.height;
    out.bitsPerPixel = layout.bitsPerPixel;
    out.grey = layout.grey;
    out.dpiX = swap ? sink.notes.dpiY : sink.notes.dpiX;
    out.dpiY = swap ? sink.notes.dpiX : sink.notes.dpiY;
    out.sampleBits = layout.sampleBits;
    return true;
}

}  // namespace ximora::engine
