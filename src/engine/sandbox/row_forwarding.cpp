#include "engine/sandbox/row_forwarding.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "engine/core/deep_samples.h"
#include "engine/core/error.h"
#include "engine/sandbox/byte_records.h"
#include "engine/sandbox/decode_protocol.h"
#include "engine/sandbox/exchange_file.h"

namespace ximora::engine {
namespace {

// One message of the stream; `bytes` more follow it (sendDecodeStream), except for rows left in
// a slot of the exchange file, which are `bytes` long there.
struct RowFrame {
    uint32_t magic = 0;
    int32_t kind = 0;
    int32_t decoded = 0;  ///< the end: the decoder succeeded
    uint32_t slot = 0;    ///< rows in a slot: which
    uint64_t bytes = 0;
};
constexpr uint32_t kRowFrameMagic = 0x58445266;  // "XDRf"
enum FrameKind : int32_t { kStart = 1, kRows = 2, kEnd = 3, kRowsInSlot = 4 };
enum RecordKind : int32_t { kRow = 1, kPixels = 2, kRepeated = 3, kDeepRow = 4, kDeepPixels = 5 };
// What a start or an end may carry: the notes' metadata, bounded as a file's would be.
constexpr uint64_t kMostNotesBytes = uint64_t(64) << 20;

bool broken(const char* why) { return failWithDetail(kErrFileBroken, why); }

template <typename Out>
void writeNotes(Out& out, const PictureNotes& notes) {
    out.value(int32_t(notes.dpiX));
    out.value(int32_t(notes.dpiY));
    out.value(int32_t(notes.orientation));
    out.value(uint8_t(notes.cutShort));
    out.blob(notes.comment);
    out.blob(notes.metadata.exif);
    out.blob(notes.metadata.xmp);
    out.blob(notes.metadata.icc);
}

bool readNotes(RecordReader& in, PictureNotes& notes) {
    int32_t dpiX = 0, dpiY = 0, orientation = 0;
    uint8_t cutShort = 0;
    if (!in.value(dpiX) || !in.value(dpiY) || !in.value(orientation) || !in.value(cutShort) ||
        !in.blob(notes.comment) || !in.blob(notes.metadata.exif) || !in.blob(notes.metadata.xmp) ||
        !in.blob(notes.metadata.icc) || orientation < 1 || orientation > 8)
        return false;
    notes.dpiX = std::max(0, dpiX);
    notes.dpiY = std::max(0, dpiY);
    notes.orientation = orientation;
    notes.cutShort = cutShort != 0;
    return true;
}

// A layout a decoder could have made, with the facts the program goes by.
bool readLayout(RecordReader& in, RowLayout& layout) {
    int32_t width = 0, height = 0, bits = 0, sampleBits = 0, deepChannels = 0;
    uint8_t grey = 0, inParts = 0;
    uint32_t colours = 0;
    if (!in.value(width) || !in.value(height) || !in.value(bits) || !in.value(grey) ||
        !in.value(inParts) || !in.value(sampleBits) || !in.value(deepChannels) ||
        !in.value(colours))
        return false;
    const bool depthKnown =
        bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    if (!Image::fitsSides(width, height) || width < 1 || height < 1 || !depthKnown ||
        colours > (bits <= 8 ? 1u << bits : 0u) || sampleBits < 1 || sampleBits > 16 ||
        (deepChannels != 0 && deepChannels != deepChannelsFor(bits, grey != 0)))
        return false;
    layout = RowLayout{width, height, bits, grey != 0, {}, inParts != 0, sampleBits, deepChannels};
    layout.palette.resize(colours);
    return in.take(layout.palette.data(), colours * sizeof(Colour));
}

// Indexes of 1 and 4 bits stay below their depth's count, as a decoder's do.
bool indexesFit(const RowLayout& layout, const uint8_t* pixels, size_t count) {
    if (layout.bitsPerPixel >= 8) return true;
    const uint8_t most = uint8_t((1u << layout.bitsPerPixel) - 1);
    for (size_t i = 0; i < count; ++i)
        if (pixels[i] > most) return false;
    return true;
}

// Whether columns x0, x0 + step, ... for count pixels all lie inside a row.
bool columnsFit(const RowLayout& layout, int32_t x0, int32_t step, int32_t count) {
    return x0 >= 0 && step >= 1 && count >= 1 && x0 < layout.width &&
           int64_t(x0) + int64_t(count - 1) * step < layout.width;
}

// Hands `sink` the records of one batch, each checked against the layout. Indexes of 1 and 4
// bits are checked and handed on from a copy: the batch may lie in the exchange file, which the
// worker can change at any moment.
bool putRecords(RecordReader& in, const RowLayout& layout, RowSink& sink) {
    const size_t pixelBytes = size_t(Image::storageBytesPerPixel(layout.bitsPerPixel));
    const size_t rowBytes = size_t(layout.width) * pixelBytes;
    const size_t deepPixelBytes = size_t(layout.deepChannels) * sizeof(uint16_t);
    std::vector<uint8_t> own;
    const auto checked = [&](const uint8_t* pixels, size_t bytes) -> const uint8_t* {
        if (!pixels || layout.bitsPerPixel >= 8) return pixels;
        own.assign(pixels, pixels + bytes);
        return indexesFit(layout, own.data(), bytes) ? own.data() : nullptr;
    };
    // 16-bit samples are handed on from a copy, which is aligned as they need.
    std::vector<uint16_t> deep;
    const auto samples = [&](size_t count) -> const uint16_t* {
        const uint8_t* bytes = deepPixelBytes ? in.skip(count * deepPixelBytes) : nullptr;
        if (!bytes) return nullptr;
        deep.resize(count * size_t(layout.deepChannels));
        std::memcpy(deep.data(), bytes, count * deepPixelBytes);
        return deep.data();
    };
    while (!in.atEnd()) {
        int32_t kind = 0, y = 0, a = 0, b = 0, c = 0;
        if (!in.value(kind) || !in.value(y) || !in.value(a) || !in.value(b) || !in.value(c) ||
            y < 0 || y >= layout.height)
            return false;
        if (kind == kRow || kind == kRepeated) {
            const uint8_t* pixels = checked(in.skip(rowBytes), rowBytes);
            if (!pixels) return false;
            if (kind == kRow) {
                sink.putRow(y, pixels);
            } else {
                if (a <= y || a > layout.height) return false;
                sink.putRepeatedRow(y, a, pixels);
            }
        } else if (kind == kPixels) {
            if (!columnsFit(layout, a, b, c)) return false;
            const uint8_t* pixels =
                checked(in.skip(size_t(c) * pixelBytes), size_t(c) * pixelBytes);
            if (!pixels) return false;
            sink.putPixels(y, a, b, c, pixels);
        } else if (kind == kDeepRow) {
            const uint16_t* row = samples(size_t(layout.width));
            if (!row) return false;
            sink.putDeepRow(y, row);
        } else if (kind == kDeepPixels) {
            if (!columnsFit(layout, a, b, c)) return false;
            const uint16_t* pixels = samples(size_t(c));
            if (!pixels) return false;
            sink.putDeepPixels(y, a, b, c, pixels);
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

bool sendRowFrame(int socket, int32_t kind, bool decoded, const std::vector<uint8_t>& payload) {
    const RowFrame frame{kRowFrameMagic, kind, decoded, 0, payload.size()};
    return sendDecodeMessage(socket, &frame, sizeof frame, nullptr, 0) &&
           sendDecodeStream(socket, payload);
}

bool sendRowSlotFrame(int socket, uint32_t slot, uint64_t bytes) {
    const RowFrame frame{kRowFrameMagic, kRowsInSlot, 0, slot, bytes};
    return sendDecodeMessage(socket, &frame, sizeof frame, nullptr, 0);
}

RowForwarder::RowForwarder(int socket, UniqueFd exchange, bool whole)
    : socket_(socket), whole_(whole) {
    if (!exchange.valid()) return;
    struct stat status {};
    if (fstat(exchange.get(), &status) != 0 ||
        (size_t(status.st_size) < kRowSlotsBytes &&
         ftruncate(exchange.get(), off_t(kRowSlotsBytes)) != 0))
        return;
    // Populated at once: a first touch of each page would cost a fault.
    void* slots = mmap(nullptr, kRowSlotsBytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE,
                       exchange.get(), 0);
    if (slots != MAP_FAILED) slots_ = static_cast<uint8_t*>(slots);
}

RowForwarder::~RowForwarder() {
    if (slots_) munmap(slots_, kRowSlotsBytes);
}

bool RowForwarder::send(int32_t kind, bool decoded, const std::vector<uint8_t>& payload) {
    gone_ = gone_ || !sendRowFrame(socket_, kind, decoded, payload);
    return !gone_;
}

bool RowForwarder::start(const RowLayout& layout) {
    pixelBytes_ = size_t(Image::storageBytesPerPixel(layout.bitsPerPixel));
    rowBytes_ = size_t(layout.width) * pixelBytes_;
    deepPixelBytes_ = size_t(layout.deepChannels) * sizeof(uint16_t);
    deepRowBytes_ = size_t(layout.width) * deepPixelBytes_;
    std::vector<uint8_t> payload;
    RecordWriter out(appendingTo(payload));
    out.value(int32_t(layout.width));
    out.value(int32_t(layout.height));
    out.value(int32_t(layout.bitsPerPixel));
    out.value(uint8_t(layout.grey));
    out.value(uint8_t(layout.rowsInParts));
    out.value(int32_t(layout.sampleBits));
    out.value(int32_t(layout.deepChannels));
    out.value(uint32_t(layout.palette.size()));
    out.put(layout.palette.data(), layout.palette.size() * sizeof(Colour));
    writeNotes(out, notes);
    uint8_t answer = 0;
    UniqueFd none[2];
    if (!send(kStart, false, payload) ||
        !receiveDecodeMessage(socket_, &answer, sizeof answer, none, -1)) {
        gone_ = true;
        return fail(kErrOther);
    }
    // The program's sink has said why it wants no rows; this worker's error is not reported.
    return answer == 1 || fail(kErrOther);
}

void RowForwarder::record(int32_t kind, int32_t y, int32_t a, int32_t b, int32_t c,
                          const uint8_t* pixels, size_t bytes) {
    if (gone_) return;
    const int32_t head[] = {kind, y, a, b, c};
    const auto* headBytes = reinterpret_cast<const uint8_t*>(head);
    // Records go in order: whatever waits on the other way goes first.
    if (slots_ && sizeof head + bytes <= kRowBatchBytes) {
        sendBatch();
        if (filled_ + sizeof head + bytes > kRowBatchBytes) handSlot();
        if (gone_) return;
        uint8_t* at = slots_ + size_t(slot_) * kRowBatchBytes + filled_;
        std::memcpy(at, headBytes, sizeof head);
        std::memcpy(at + sizeof head, pixels, bytes);
        filled_ += sizeof head + bytes;
        return;
    }
    handSlot();
    batch_.insert(batch_.end(), headBytes, headBytes + sizeof head);
    batch_.insert(batch_.end(), pixels, pixels + bytes);
    if (batch_.size() >= kRowBatchBytes) sendBatch();
}

void RowForwarder::sendBatch() {
    if (batch_.empty()) return;
    send(kRows, false, batch_);
    batch_.clear();
}

void RowForwarder::handSlot() {
    if (!filled_ || gone_) return;
    gone_ = !sendRowSlotFrame(socket_, uint32_t(slot_), filled_);
    ++handed_;
    slot_ ^= 1;
    filled_ = 0;
    if (handed_ == 2) awaitSlot();
}

void RowForwarder::awaitSlot() {
    uint8_t done = 0;
    UniqueFd none[2];
    if (gone_ || !receiveDecodeMessage(socket_, &done, sizeof done, none, -1))
        gone_ = true;
    else
        --handed_;
}

void RowForwarder::putRow(int y, const uint8_t* pixels) {
    record(kRow, y, 0, 0, 0, pixels, rowBytes_);
}

void RowForwarder::putPixels(int y, int x0, int step, int count, const uint8_t* pixels) {
    record(kPixels, y, x0, step, count, pixels, size_t(count) * pixelBytes_);
}

void RowForwarder::putDeepRow(int y, const uint16_t* samples) {
    record(kDeepRow, y, 0, 0, 0, reinterpret_cast<const uint8_t*>(samples), deepRowBytes_);
}

void RowForwarder::putDeepPixels(int y, int x0, int step, int count, const uint16_t* samples) {
    record(kDeepPixels, y, x0, step, count, reinterpret_cast<const uint8_t*>(samples),
           size_t(count) * deepPixelBytes_);
}

void RowForwarder::putRepeatedRow(int y0, int y1, const uint8_t* pixels) {
    if (y1 <= y0) return;  // decoders may pass an empty run
    record(kRepeated, y0, y1, 0, 0, pixels, rowBytes_);
}

bool RowForwarder::finish(bool decoded) {
    handSlot();
    sendBatch();
    // Every slot answered, so that no answer is left for the next request to read.
    while (handed_ > 0 && !gone_) awaitSlot();
    if (gone_) return false;
    std::vector<uint8_t> payload;
    if (decoded) {
        RecordWriter out(appendingTo(payload));
        writeNotes(out, notes);
    }
    return send(kEnd, decoded, payload);
}

bool receiveRows(int socket, ExchangeFile* exchange, RowSink& sink, int timeoutMs, bool& timedOut,
                 bool& refused, bool& decoded) {
    timedOut = refused = decoded = false;
    RowLayout layout;
    bool started = false;
    std::vector<uint8_t> payload;
    for (;;) {
        RowFrame frame;
        UniqueFd none[2];
        if (!receiveDecodeMessage(socket, &frame, sizeof frame, none, timeoutMs, &timedOut))
            return false;  // the worker died or overran: its caller says which
        const bool inSlot = frame.kind == kRowsInSlot;
        const uint64_t most = inSlot                ? kRowBatchBytes
                              : frame.kind == kRows ? kRowBatchBytes + (uint64_t(1) << 20)
                                                    : kMostNotesBytes;
        if (frame.magic != kRowFrameMagic || frame.bytes > most ||
            (!inSlot && !receiveDecodeStream(socket, frame.bytes, payload, timeoutMs, &timedOut)))
            return broken("the decoder's rows do not hold together");
        RecordReader in(payload.data(), payload.size());
        if (inSlot && started && !refused) {
            const uint8_t* slots =
                exchange && frame.slot < 2 ? exchange->contents(kRowSlotsBytes) : nullptr;
            if (!slots) return broken("the decoder's rows do not hold together");
            RecordReader rows(slots + frame.slot * kRowBatchBytes, size_t(frame.bytes));
            if (!putRecords(rows, layout, sink))
                return broken("the decoder's rows do not hold together");
            // The worker may fill the slot again.
            const uint8_t done = 1;
            sendDecodeMessage(socket, &done, sizeof done, nullptr, 0);
        } else if (frame.kind == kStart && !started) {
            if (!readLayout(in, layout) || !readNotes(in, sink.notes))
                return broken("the decoder's rows do not hold together");
            started = true;
            refused = !sink.start(layout);
            const uint8_t answer = refused ? 0 : 1;
            sendDecodeMessage(socket, &answer, sizeof answer, nullptr, 0);
        } else if (frame.kind == kRows && started && !refused) {
            if (!putRecords(in, layout, sink))
                return broken("the decoder's rows do not hold together");
        } else if (frame.kind == kEnd) {
            decoded = frame.decoded != 0 && started && !refused;
            if (decoded && !readNotes(in, sink.notes))
                return broken("the decoder's rows do not hold together");
            return true;
        } else {
            return broken("the decoder's rows do not hold together");
        }
    }
}

}  // namespace ximora::engine
