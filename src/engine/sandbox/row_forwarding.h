#pragma once
// A row decoder in a worker with its rows handed to a sink in the program, so that a picture
// streams through (into a bitmap file, say) without being whole on either side. In the worker
// the decoder's sink is a RowForwarder, which sends the layout, batches of rows and the notes
// over the worker's socket; in the program receiveRows() checks each and hands it to the sink.
//
// When the program lends the worker its exchange file for the rows, the batches are left in two
// slots at the file's start instead, and only a frame naming the slot goes over the socket: the
// program answers each when it has handed the slot's rows on, and the worker fills the other
// slot meanwhile. A photo's rows then cross once, not through the socket's buffers, and wake
// each side a few hundred times rather than a few thousand.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/codecs/row_sink.h"
#include "engine/sandbox/unique_fd.h"

namespace ximora::engine {

class ExchangeFile;

/// The bytes of one batch of rows; the exchange file's first two such slots hold them.
inline constexpr size_t kRowBatchBytes = size_t(1) << 20;
inline constexpr size_t kRowSlotsBytes = 2 * kRowBatchBytes;

class RowForwarder final : public RowSink {
  public:
    /// `exchange`, when valid, is the program's exchange file, lent for the rows. `whole`: the
    /// program's sink keeps the whole picture (keepsWholePicture), 16-bit samples and all.
    RowForwarder(int socket, UniqueFd exchange, bool whole = false);
    ~RowForwarder() override;
    RowForwarder(const RowForwarder&) = delete;
    RowForwarder& operator=(const RowForwarder&) = delete;
    /// Sends the layout and the notes so far, and returns the program's sink's answer.
    bool start(const RowLayout& layout) override;
    void putRow(int y, const uint8_t* pixels) override;
    void putPixels(int y, int x0, int step, int count, const uint8_t* pixels) override;
    void putRepeatedRow(int y0, int y1, const uint8_t* pixels) override;
    bool keepsWholePicture() const override { return whole_; }
    void putDeepRow(int y, const uint16_t* samples) override;
    void putDeepPixels(int y, int x0, int step, int count, const uint16_t* samples) override;
    /// Sends the rows not sent yet and the end, with the notes when `decoded`. False when the
    /// program is gone.
    bool finish(bool decoded);

  private:
    void record(int32_t kind, int32_t y, int32_t a, int32_t b, int32_t c, const uint8_t* pixels,
                size_t bytes);
    bool send(int32_t kind, bool decoded, const std::vector<uint8_t>& payload);
    /// Sends the batch gathered for the socket, if any.
    void sendBatch();
    /// Hands the current slot over, if it holds rows, and makes the other one current, once
    /// the program is done with it.
    void handSlot();
    /// Waits for the program to be done with the oldest slot handed over.
    void awaitSlot();

    int socket_;
    bool whole_;
    size_t pixelBytes_ = 0, rowBytes_ = 0, deepPixelBytes_ = 0, deepRowBytes_ = 0;
    std::vector<uint8_t> batch_;
    uint8_t* slots_ = nullptr;  // the exchange file's first two slots, mapped; else nullptr
    int slot_ = 0;              // the slot being filled
    size_t filled_ = 0;         // its bytes so far
    int handed_ = 0;            // slots handed over that the program has not answered
    bool gone_ = false;         // the program stopped listening: nothing more is sent
};

/// Sends one message of the stream: a frame of `kind` (1 the layout and notes, 2 a batch of
/// rows, 3 the end, `decoded` saying whether the decoder succeeded) and its `payload`. False
/// when the peer is gone. What a RowForwarder sends; public so that the program's half can be
/// fed anything.
bool sendRowFrame(int socket, int32_t kind, bool decoded, const std::vector<uint8_t>& payload);

/// Sends the frame that hands over `bytes` of rows in `slot` of the exchange file. What a
/// RowForwarder sends; public so that the program's half can be fed anything.
bool sendRowSlotFrame(int socket, uint32_t slot, uint64_t bytes);

/// The program's half: hands `sink` what the worker's RowForwarder sends, each message within
/// `timeoutMs`, until the end; `exchange` is the exchange file lent with the request, if one
/// was. `decoded` says whether the worker's decoder succeeded. False with error 17 when what
/// comes does not hold together, and false with no error when the worker is gone or sent
/// nothing in time (`timedOut`). When the sink's start() refuses the picture, `refused` is set
/// and the sink's error stands.
bool receiveRows(int socket, ExchangeFile* exchange, RowSink& sink, int timeoutMs, bool& timedOut,
                 bool& refused, bool& decoded);

}  // namespace ximora::engine
