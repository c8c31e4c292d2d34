// Fuzzes what the program reads from a decode worker, which is anyone's once a decoder in it has
// been taken over by a file: streamed rows with their layout and notes (over the socket, or
// left in the exchange file), a picture sent over the socket, and a picture left in the exchange
// file with its other parts beside it.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/codecs/image_row_sink.h"
#include "engine/core/memory_budget.h"
#include "engine/sandbox/decode_protocol.h"
#include "engine/sandbox/exchange_file.h"
#include "engine/sandbox/row_forwarding.h"

using namespace ximora::engine;

namespace {

// Frames as [kind][decoded][length, 2 bytes][payload], sent as a worker would, then its end.
// With the exchange file lent, a frame of kind 4 leaves its payload in the slot its second byte
// names instead (the last such payload of a slot is what the program finds there).
void fuzzRows(bool lent, const uint8_t* data, size_t size) {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) return;
    UniqueFd worker(ends[0]), program(ends[1]);
    ExchangeFile exchange;
    const int file = lent ? exchange.lend() : -1;
    if (lent && (file < 0 || ftruncate(file, off_t(kRowSlotsBytes)) != 0)) return;
    // What does not fit the socket's buffer is left out rather than waited for.
    fcntl(worker.get(), F_SETFL, O_NONBLOCK);
    for (size_t at = 0; at + 4 <= size;) {
        const int32_t kind = data[at];
        const uint8_t second = data[at + 1];
        const size_t length = std::min(size_t(data[at + 2] | data[at + 3] << 8), size - at - 4);
        at += 4;
        const std::vector<uint8_t> payload(data + at, data + at + length);
        at += length;
        const bool sent = lent && kind == 4
                              ? pwrite(file, payload.data(), length,
                                       off_t((second & 1) * kRowBatchBytes)) == ssize_t(length) &&
                                    sendRowSlotFrame(worker.get(), second >> 1 & 3, length)
                              : sendRowFrame(worker.get(), kind, second & 1, payload);
        if (!sent) break;
    }
    worker.reset();
    ImageRowSink sink(false);
    bool timedOut = false, refused = false, decoded = false;
    Image out;
    if (receiveRows(program.get(), lent ? &exchange : nullptr, sink, 0, timedOut, refused,
                    decoded) &&
        decoded)
        sink.finish({}, out);
}

// A reply, then the bytes it describes: streamed after it, or in the exchange file and a
// sealed file of parts (split where the reply's parts size says).
void fuzzPicture(bool exchanged, const uint8_t* data, size_t size) {
    DecodeReply reply;
    // The reply up to the picture's description; a drawing's fields after it play no part in
    // unpacking a picture.
    const size_t head = std::min(size, offsetof(DecodeReply, skippedRecords));
    std::memcpy(&reply, data, head);
    reply.magic = kDecodeReplyMagic;
    reply.ok = 1;
    reply.streamed = !exchanged;
    reply.rasterExchanged = exchanged;
    reply.hasParts = exchanged;
    const std::vector<uint8_t> rest(data + head, data + size);
    UniqueFd fds[2];
    ExchangeFile exchange;
    if (exchanged) {
        const size_t raster = std::min<uint64_t>(reply.rasterBytes, rest.size());
        const int file = exchange.lend();
        fds[0].reset(memfd_create("parts", MFD_CLOEXEC | MFD_ALLOW_SEALING));
        if (file < 0 || !fds[0].valid() || write(file, rest.data(), raster) != ssize_t(raster) ||
            write(fds[0].get(), rest.data() + raster, rest.size() - raster) !=
                ssize_t(rest.size() - raster) ||
            fcntl(fds[0].get(), F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE) != 0)
            return;
    }
    Image out;
    unpackPicture(reply, fds, exchanged ? std::vector<uint8_t>() : rest, exchange, out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    setMemoryLimit(uint64_t(64) << 20);
    if (size < 1) return 0;
    switch (data[0] % 4) {
        case 0:
            fuzzRows(false, data + 1, size - 1);
            break;
        case 3:
            fuzzRows(true, data + 1, size - 1);
            break;
        case 1:
            fuzzPicture(false, data + 1, size - 1);
            break;
        default:
            fuzzPicture(true, data + 1, size - 1);
    }
    return 0;
}
