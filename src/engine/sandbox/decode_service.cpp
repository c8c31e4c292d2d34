#include "engine/sandbox/decode_service.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "engine/codecs/registry.h"
#include "engine/core/error.h"
#include "engine/core/memory_budget.h"
#include "engine/core/rasterpool.h"
#include "engine/sandbox/decode_protocol.h"
#include "engine/sandbox/drawing_reading.h"
#include "engine/sandbox/row_forwarding.h"
#include "engine/thumbs/thumbnail_loader.h"

namespace ximora::engine {
namespace {

double cpuSecondsUsed() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Copies `text` into a reply's field, cut short at a whole UTF-8 character, always ended.
template <size_t N>
void copyText(char (&to)[N], std::string_view text) {
    size_t length = std::min(text.size(), N - 1);
    if (length < text.size())
        while (length > 0 && (uint8_t(text[length]) & 0xC0) == 0x80) --length;
    std::memcpy(to, text.data(), length);
    to[length] = 0;
}

// Runs one request on the file; the picture, if one is asked for, goes to `picture`, and rows
// go over `socket` as they are decoded, through `exchange` when the program lent it for them.
bool run(const DecodeRequest& request, FileSource& file, int socket, UniqueFd exchange,
         DecodeReply& reply, Image& picture) {
    FileFormat format = FileFormat::Unknown;
    bool ok = false;
    switch (request.task) {
        case DecodeTask::Picture: {
            LoadOptions options;
            options.minSide = request.minSide;
            options.applyOrientation = request.applyOrientation;
            options.keepMetadata = request.keepMetadata;
            options.keepCutShort = request.keepCutShort;
            ok = loadImageHere(file, options, request.checkBudget, picture, &format);
            break;
        }
        case DecodeTask::Facts:
            ok = readImageFacts(file, reply.facts, &format);
            break;
        case DecodeTask::HeaderFacts: {
            bool hasReader = false;
            format = detectSourceFormat(file);
            ok = readHeaderFacts(file, reply.facts, hasReader);
            reply.noHeaderReader = !hasReader;
            break;
        }
        case DecodeTask::Thumbnail:
            ok = loadPictureThumbnail(file, request.thumbnailSize, picture);
            break;
        case DecodeTask::Rows: {
            RowForwarder rows(socket, std::move(exchange),
                              request.wholePicture && request.keepMetadata);
            if (request.wholePicture) {
                LoadOptions options;
                options.keepMetadata = request.keepMetadata;
                options.keepCutShort = request.keepCutShort;
                bool notByRows = false;
                ok = decodeWholeRowsHere(file, options, rows, &format, notByRows);
                reply.notByRows = notByRows;
            } else {
                ok = decodeRowsHere(file, rows, &format);
            }
            if (!rows.finish(ok)) return fail(kErrOther);
            break;
        }
        case DecodeTask::Drawing: {
            DrawingAsk ask;
            ask.kind.assign(request.drawingKind,
                            strnlen(request.drawingKind, sizeof request.drawingKind));
            ask.width = request.drawingWidth;
            ask.height = request.drawingHeight;
            ask.fit = request.thumbnailSize;
            DrawingFacts facts;
            std::string message;
            ok = readDrawingHere(file, ask, facts, picture, message);
            reply.facts.width = facts.width;
            reply.facts.height = facts.height;
            reply.skippedRecords = facts.skippedRecords;
            copyText(reply.message, message);
            break;
        }
        default:
            return fail(kErrBadParameter);
    }
    reply.format = int32_t(format);
    return ok;
}

void describeFailure(DecodeReply& reply) {
    reply.ok = 0;
    reply.error = lastError() ? lastError() : kErrFileBroken;
    reply.reason = lastErrorReason();
    copyText(reply.detail, lastErrorDetail());
}

}  // namespace

int serveDecodeRequests(int socket, double cpuSecondsToRetire) {
    // Under a limit on file sizes no shared file may grow past it: the pictures are then sent
    // over the socket instead.
    rlimit fileSize{};
    const bool sharing =
        getrlimit(RLIMIT_FSIZE, &fileSize) == 0 && fileSize.rlim_cur == RLIM_INFINITY;
    if (sharing) RasterPool::shareRasters();
    for (;;) {
        DecodeRequest request;
        UniqueFd received[2];
        if (!receiveDecodeMessage(socket, &request, sizeof request, received, -1))
            return received[0].valid() ? 1 : 0;
        DecodeReply reply;
        reply.magic = kDecodeReplyMagic;
        UniqueFd parts[2];
        std::vector<uint8_t> streamed;
        clearLastError();
        FileSource file;
        Image picture;
        if (request.magic != kDecodeRequestMagic || !received[0].valid()) {
            fail(kErrBadParameter);
        } else if (file.adopt(received[0].release())) {
            if (request.memoryLimit) setMemoryLimit(request.memoryLimit);
            // The exchange file holds the rows of a row request, else a large raster.
            UniqueFd forRows;
            if (request.lendsExchangeFile && received[1].valid() && sharing) {
                if (request.task == DecodeTask::Rows)
                    forRows = std::move(received[1]);
                else
                    RasterPool::offerExchangeFile(received[1].release());
            }
            reply.ok = run(request, file, socket, std::move(forRows), reply, picture) &&
                       (picture.empty() || packPicture(picture, reply, parts, streamed));
            RasterPool::withdrawExchangeFile();
        }
        if (!reply.ok) describeFailure(reply);
        reply.retiring = cpuSecondsUsed() > cpuSecondsToRetire;
        const int fds[2] = {parts[0].get(), parts[1].get()};
        const int files = reply.hasParts ? (reply.rasterExchanged ? 1 : 2) : 0;
        if (!sendDecodeMessage(socket, &reply, sizeof reply, fds, files) ||
            !sendDecodeStream(socket, streamed))
            return 1;
        if (reply.retiring) return 0;
    }
}

}  // namespace ximora::engine
