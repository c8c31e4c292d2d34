#include "engine/codecs/bmp/bmp_file_rows.h"

#include <algorithm>
#include <new>
#include <system_error>

#include "engine/codecs/bmp/bmp_codec.h"
#include "engine/core/error.h"

namespace ximora::engine {
namespace {

// Bytes of rows written at a time.
constexpr size_t kBandBytes = size_t(1) << 20;

}  // namespace

bool BmpFileRowSink::start(const RowLayout& layout) {
    // A colour profile goes into a version 5 header: the whole-image path writes it.
    const bool suits =
        (layout.bitsPerPixel == 16 || layout.bitsPerPixel == 24 || layout.bitsPerPixel == 32) &&
        !layout.rowsInParts && notes.orientation == 1 && notes.metadata.icc.empty();
    std::vector<uint8_t> head;
    if (suits && bmpPlainHead({layout.width, layout.height, layout.bitsPerPixel}, head) &&
        file_.open(target_)) {
        width_ = layout.width, height_ = layout.height, bits_ = layout.bitsPerPixel;
        head_ = head.size();
        padded_ = bmpRowBytes(width_, bits_);
        bandRows_ = int(std::clamp<size_t>(kBandBytes / padded_, 1, size_t(height_)));
        try {
            band_.resize(padded_ * size_t(bandRows_));
            writing_.resize(band_.size());
            filled_.assign(size_t(bandRows_), false);
            usable_ = true;
        } catch (const std::bad_alloc&) {
            file_.discard();
        }
    }
    clearLastError();  // declining is no error: the caller converts another way
    return usable_;
}

void BmpFileRowSink::putRow(int y, const uint8_t* pixels) {
    if (!usable_) return;
    const int fileRow = height_ - 1 - y;
    const int start = fileRow / bandRows_ * bandRows_;
    if (start != bandStart_) {
        if (filledCount_ > 0) writeBand();
        bandStart_ = start;
    }
    const int slot = fileRow - start;
    bmpFileRow(pixels, width_, bits_, band_.data() + size_t(slot) * padded_, padded_);
    ++rowsPut_;
    if (filled_[size_t(slot)]) return;  // a second time: finish() finds the count wrong
    filled_[size_t(slot)] = true;
    lowest_ = filledCount_ == 0 ? slot : std::min(lowest_, slot);
    highest_ = filledCount_ == 0 ? slot : std::max(highest_, slot);
    if (++filledCount_ == std::min(bandRows_, height_ - start)) writeBand();
}

void BmpFileRowSink::putPixels(int, int, int, int, const uint8_t*) {
    usable_ = false;  // finish() drops the file
}

BmpFileRowSink::~BmpFileRowSink() { waitForWrite(); }

bool BmpFileRowSink::waitForWrite() { return !written_.valid() || written_.get(); }

void BmpFileRowSink::writeBand() {
    usable_ = waitForWrite() && usable_;
    const bool contiguous = highest_ - lowest_ + 1 == filledCount_;
    const int first = lowest_, rows = highest_ - lowest_ + 1;
    const uint64_t offset = fileRowOffset(bandStart_ + first);
    filledCount_ = 0;
    if (!usable_) return;
    if (!contiguous) {
        // Rows out of any order (no decoder of these depths hands them so) go one by one.
        for (int slot = first; slot < first + rows && usable_; ++slot)
            usable_ = !filled_[size_t(slot)] ||
                      file_.writeAt(fileRowOffset(bandStart_ + slot),
                                    band_.data() + size_t(slot) * padded_, padded_);
        std::fill(filled_.begin(), filled_.end(), false);
        return;
    }
    std::fill(filled_.begin(), filled_.end(), false);
    band_.swap(writing_);
    const uint8_t* from = writing_.data() + size_t(first) * padded_;
    const size_t bytes = padded_ * size_t(rows);
    try {
        written_ = std::async(std::launch::async, [this, offset, from, bytes] {
            return file_.writeAt(offset, from, bytes);
        });
    } catch (const std::system_error&) {  // no thread to be had: written here, then
        usable_ = file_.writeAt(offset, from, bytes);
    }
}

bool BmpFileRowSink::finish() {
    if (usable_ && filledCount_ > 0) writeBand();
    usable_ = waitForWrite() && usable_;
    std::vector<uint8_t> head;
    // A profile met after the first rows (some decoders read it late) needs the whole-image path.
    const bool complete = usable_ && rowsPut_ == height_ && notes.orientation == 1 &&
                          notes.metadata.icc.empty() &&
                          bmpPlainHead({width_, height_, bits_, notes.dpiX, notes.dpiY}, head) &&
                          file_.writeAt(0, head.data(), head.size()) && file_.commit();
    if (!complete) file_.discard();
    usable_ = false;
    return complete;
}

}  // namespace ximora::engine
