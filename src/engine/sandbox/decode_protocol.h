#pragma once
// What the program and a decode worker say to each other over their socket (a SOCK_SEQPACKET
// pair, one message a request and one a reply). A request carries the file as an open
// descriptor; a reply carries the picture's raster and its other parts (palette, comment,
// metadata, 16-bit samples) as two sealed shared-memory files, so that the pixels are mapped by
// the program, not copied. The program trusts nothing in a reply: every size is checked before
// it is used, and the shared files must be sealed against writing, so that the worker cannot
// change a picture it has handed over.

#include <cstdint>
#include <vector>

#include "engine/codecs/codec.h"
#include "engine/core/image.h"
#include "engine/sandbox/exchange_file.h"
#include "engine/sandbox/unique_fd.h"

namespace ximora::engine {

enum class DecodeTask : int32_t {
    Picture = 1,      ///< the whole picture (loadImage, with LoadOptions)
    Facts = 2,        ///< readImageFacts: from the headers, else by decoding
    HeaderFacts = 3,  ///< the headers only; `noHeaderReader` where the codec has none
    Thumbnail = 4,    ///< loadPictureThumbnail at `thumbnailSize`
    Rows = 5,         ///< the rows, streamed to the program's sink (row_forwarding.h)
    Drawing = 6,      ///< a drawing's facts and picture (drawing_reading.h), by a drawing worker
};

struct DecodeRequest {
    uint32_t magic = 0;
    DecodeTask task = DecodeTask::Picture;
    int32_t minSide = 0;
    uint8_t applyOrientation = 1, keepMetadata = 1, keepCutShort = 0;
    /// Picture: refuse one past the memory budget before decoding it, as loadImage does.
    uint8_t checkBudget = 1;
    /// Rows: the whole picture's, as a picture decoded whole gets them (its 16-bit samples and
    /// metadata when keepMetadata, cut short when keepCutShort), for the program to gather;
    /// `notByRows` when its format's whole picture is more than its rows.
    uint8_t wholePicture = 0;
    int32_t thumbnailSize = 0;
    /// The program's memory budget as it stands: the worker's decoders are held to it.
    uint64_t memoryLimit = 0;
    /// The second descriptor is the program's exchange file for this worker: for a picture, for
    /// its raster if it is large (RasterPool::offerExchangeFile); for rows, for their slots
    /// (RowForwarder).
    uint8_t lendsExchangeFile = 0;
    /// Drawing: its kind, and the size to paint it at or the square to fit it in (DrawingAsk).
    char drawingKind[8] = {};
    int32_t drawingWidth = 0, drawingHeight = 0;
};

struct DecodeReply {
    uint32_t magic = 0;
    uint8_t ok = 0;
    uint8_t noHeaderReader = 0;
    uint8_t notByRows = 0;
    /// The worker has used most of its processor time and ends after this reply.
    uint8_t retiring = 0;
    int32_t error = 0, reason = 0;
    int32_t format = 0;  ///< FileFormat detected
    ImageFacts facts;
    // A picture: the raster's description; its pixels and its other parts come as files.
    int32_t width = 0, height = 0, bitsPerPixel = 0;
    uint8_t grey = 0, cutShort = 0, hasParts = 0;
    /// The raster and the other parts follow the reply on the socket instead, raster first:
    /// the worker may not grow a shared file as large as the picture (a limit on file sizes,
    /// RLIMIT_FSIZE, holds for shared memory files too).
    uint8_t streamed = 0;
    /// The raster is in the exchange file; only the other parts come, as the one file.
    uint8_t rasterExchanged = 0;
    int32_t dpiX = 0, dpiY = 0;
    uint64_t rasterBytes = 0, partsBytes = 0;  ///< streamed bytes
    char detail[256] = {};
    /// Drawing: records left out, and why it could not be read in the user's words (UTF-8).
    int32_t skippedRecords = 0;
    char message[256] = {};
};

inline constexpr uint32_t kDecodeRequestMagic = 0x58445271;  // "XDRq"
inline constexpr uint32_t kDecodeReplyMagic = 0x58445270;    // "XDRp"

/// Sends one message with up to two descriptors; false when the peer is gone.
bool sendDecodeMessage(int socket, const void* message, size_t size, const int* fds, int count);
/// Receives one message of exactly `size` bytes and up to two descriptors into `fds` (-1 where
/// none came). Waits at most `timeoutMs` (-1: without end); false on a timeout (`timedOut`
/// set), a closed peer, or a message of another size.
bool receiveDecodeMessage(int socket, void* message, size_t size, UniqueFd (&fds)[2], int timeoutMs,
                          bool* timedOut = nullptr);

/// Sends `bytes` as messages of at most kDecodeStreamChunk bytes; false when the peer is gone.
bool sendDecodeStream(int socket, const std::vector<uint8_t>& bytes);
/// Receives `size` bytes sent by sendDecodeStream into `out`, each message within `timeoutMs`.
bool receiveDecodeStream(int socket, uint64_t size, std::vector<uint8_t>& out, int timeoutMs,
                         bool* timedOut);
inline constexpr size_t kDecodeStreamChunk = 64 * 1024;

/// The worker's half: describes `image` in `reply` and gives up its raster's shared file and a
/// shared file of its other parts, both sealed, in `fds` (only the parts' when the raster is in
/// the exchange file), or, when its rasters are not in
/// shared memory (RasterPool::shareRasters()), puts the raster and the parts in `streamed` to
/// be sent after the reply. `image` is emptied. False with the last error set when it cannot.
bool packPicture(Image& image, DecodeReply& reply, UniqueFd (&fds)[2],
                 std::vector<uint8_t>& streamed);

/// The program's half: the picture a reply describes, mapped from `fds`, or copied from the
/// worker's `exchange` file or from the `streamed` bytes. False with error 17 and a detail when
/// the reply does not hold together.
bool unpackPicture(const DecodeReply& reply, UniqueFd (&fds)[2],
                   const std::vector<uint8_t>& streamed, ExchangeFile& exchange, Image& out);

}  // namespace ximora::engine
