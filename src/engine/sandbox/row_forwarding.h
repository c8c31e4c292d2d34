#pragma once
// A row decoder in a worker with its rows handed to a sink in the program, so that a picture
// streams through (into a bitmap file, say) without being whole on either side. In the worker
// the decoder's sink is a RowForwarder, which sends the layout, batches of rows and the notes
// over the worker's socket; in the program receiveRows() checks each and hands it to the sink.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/codecs/row_sink.h"

namespace ximora::engine {

class RowForwarder final : public RowSink {
  public:
    explicit RowForwarder(int socket) : socket_(socket) {}
    /// Sends the layout and the notes so far, and returns the program's sink's answer.
    bool start(const RowLayout& layout) override;
    void putRow(int y, const uint8_t* pixels) override;
    void putPixels(int y, int x0, int step, int count, const uint8_t* pixels) override;
    void putRepeatedRow(int y0, int y1, const uint8_t* pixels) override;
    /// Sends the rows not sent yet and the end, with the notes when `decoded`. False when the
    /// program is gone.
    bool finish(bool decoded);

  private:
    void record(int32_t kind, int32_t y, int32_t a, int32_t b, int32_t c, const uint8_t* pixels,
                size_t bytes);
    bool send(int32_t kind, bool decoded, const std::vector<uint8_t>& payload);

    int socket_;
    size_t pixelBytes_ = 0, rowBytes_ = 0;
    std::vector<uint8_t> batch_;
    bool gone_ = false;  // the program stopped listening: nothing more is sent
};

/// Sends one message of the stream: a frame of `kind` (1 the layout and notes, 2 a batch of
/// rows, 3 the end, `decoded` saying whether the decoder succeeded) and its `payload`. False
/// when the peer is gone. What a RowForwarder sends; public so that the program's half can be
/// fed anything.
bool sendRowFrame(int socket, int32_t kind, bool decoded, const std::vector<uint8_t>& payload);

/// The program's half: hands `sink` what the worker's RowForwarder sends, each message within
/// `timeoutMs`, until the end. `decoded` says whether the worker's decoder succeeded. False
/// with error 17 when what comes does not hold together, and false with no error when the
/// worker is gone or sent nothing in time (`timedOut`). When the sink's start() refuses the
/// picture, `refused` is set and the sink's error stands.
bool receiveRows(int socket, RowSink& sink, int timeoutMs, bool& timedOut, bool& refused,
                 bool& decoded);

}  // namespace ximora::engine
