#include "engine/sandbox/sandboxed_decoding.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <atomic>
#include <climits>
#include <memory>
#include <mutex>

#include "engine/codecs/image_row_sink.h"
#include "engine/codecs/registry.h"
#include "engine/core/error.h"
#include "engine/core/memory_budget.h"
#include "engine/core/rasterpool.h"
#include "engine/sandbox/decode_protocol.h"
#include "engine/sandbox/decode_worker_pool.h"
#include "engine/sandbox/program_beside.h"

namespace ximora::engine {
namespace {

std::mutex gMutex;
std::shared_ptr<DecodeWorkerPool> gPool;         // guarded by gMutex
std::shared_ptr<DecodeWorkerPool> gDrawingPool;  // guarded by gMutex, made on first use
DecodeWorkerSettings gDrawingSettings;           // guarded by gMutex
std::atomic<bool> gActive{false}, gDrawing{false};

std::shared_ptr<DecodeWorkerPool> pool() {
    std::lock_guard lock(gMutex);
    return gPool;
}

// The drawing worker's pool, started when the first drawing is read: most folders hold none,
// and the worker, with Qt and the drawing libraries, is the heavier one to start.
std::shared_ptr<DecodeWorkerPool> drawingPool() {
    std::lock_guard lock(gMutex);
    if (!gDrawingPool && gDrawing)
        gDrawingPool = std::make_shared<DecodeWorkerPool>(gDrawingSettings);
    return gDrawingPool;
}

DecodeRequest requestFor(DecodeTask task) {
    DecodeRequest request;
    request.magic = kDecodeRequestMagic;
    request.task = task;
    request.memoryLimit = memoryLimit();
    return request;
}

void setDetected(FileFormat* detected, const DecodeReply& reply) {
    if (!detected) return;
    const bool known =
        reply.format >= int(FileFormat::Unknown) && reply.format <= int(FileFormat::Jxl);
    *detected = known ? FileFormat(reply.format) : FileFormat::Unknown;
}

// Asks a worker; on success the reply's facts and format are the caller's to take, and the
// picture it sent, if `picture` is given, is there.
bool ask(FileSource& file, const DecodeRequest& request, DecodeReply& reply,
         Image* picture = nullptr, RowSink* rows = nullptr) {
    const std::shared_ptr<DecodeWorkerPool> workers =
        request.task == DecodeTask::Drawing ? drawingPool() : pool();
    if (!workers) return failWithDetail(kErrFileBroken, "the decoder stopped: no decode worker");
    clearLastError();
    UniqueFd fds[2];
    std::vector<uint8_t> streamed;
    return workers->call(request, file.descriptor(), reply, fds, streamed, picture, rows);
}

// Asks a worker for a picture.
bool askPicture(FileSource& file, const DecodeRequest& request, Image& out, FileFormat* detected) {
    DecodeReply reply;
    const bool ok = ask(file, request, reply, &out);
    setDetected(detected, reply);
    return ok;
}

}  // namespace

std::string decodeWorkerProgramBeside() { return programBeside("ximora-decode"); }

std::string drawingWorkerProgramBeside() { return programBeside("ximora-draw"); }

bool startDecodeWorkers(const DecodeWorkerSettings& settings) {
    const auto runnable = [](const std::string& program) {
        return !program.empty() && access(program.c_str(), X_OK) == 0;
    };
    const bool draws = runnable(settings.drawingProgram);
    if (settings.picturesInProcess ? !draws : !runnable(settings.program)) return false;
    auto workers =
        settings.picturesInProcess ? nullptr : std::make_shared<DecodeWorkerPool>(settings);
    DecodeWorkerSettings drawing = settings;
    drawing.program = settings.drawingProgram;
    drawing.workers = 1;
    std::shared_ptr<DecodeWorkerPool> old, oldDrawing;
    {
        std::lock_guard lock(gMutex);
        old = std::exchange(gPool, std::move(workers));
        oldDrawing = std::move(gDrawingPool);
        gDrawingSettings = std::move(drawing);
        gActive = !settings.picturesInProcess;
        gDrawing = draws;
    }
    return true;
}

void keepDecodeWorkersReady() {
    if (const std::shared_ptr<DecodeWorkerPool> workers = pool()) workers->keepReady();
}

void stopDecodeWorkers() {
    std::shared_ptr<DecodeWorkerPool> old, oldDrawing;
    {
        std::lock_guard lock(gMutex);
        old = std::move(gPool);
        oldDrawing = std::move(gDrawingPool);
        gActive = false;
        gDrawing = false;
    }
}

bool decodesInWorkers() { return gActive.load(std::memory_order_relaxed); }

bool drawsInWorkers() { return gDrawing.load(std::memory_order_relaxed); }

std::vector<int> decodeWorkerProcesses() {
    const std::shared_ptr<DecodeWorkerPool> workers = pool();
    return workers ? workers->processes() : std::vector<int>();
}

// The whole picture as its rows, gathered here into a raster of this program's own; false with
// `notByRows` set when its format's whole picture is more than its rows.
bool askWholeRows(FileSource& file, const LoadOptions& options, Image& out, FileFormat* detected,
                  bool& notByRows) {
    DecodeRequest request = requestFor(DecodeTask::Rows);
    request.wholePicture = 1;
    request.keepMetadata = options.keepMetadata;
    request.keepCutShort = options.keepCutShort;
    ImageRowSink rows(options.keepMetadata);
    DecodeReply reply;
    const bool decoded = ask(file, request, reply, nullptr, &rows);
    notByRows = reply.magic == kDecodeReplyMagic && reply.notByRows;
    FileFormat format = FileFormat::Unknown;
    setDetected(&format, reply);
    if (detected) *detected = format;
    Image image;
    if (!decoded || !rows.finish(options, image)) return false;
    // What the format does to its gathered picture. A worker that names another format
    // changes only how this picture of its is finished.
    if (const Codec* codec = codecForFormat(format); codec && codec->finishGathered)
        codec->finishGathered(image);
    out = std::move(image);
    return true;
}

bool workerPicture(FileSource& file, const LoadOptions& options, bool checkBudget, Image& out,
                   FileFormat* detected) {
    // A picture at full size that no freed raster of this program's awaits comes as its rows,
    // through the exchange file's slots into a raster of this program's own (on 2 MiB pages):
    // a fresh shared file would be faulted in 4 KiB at a time by both processes.
    if (options.minSide <= 0 && checkBudget && RasterPool::pooledCount() == 0) {
        bool notByRows = false;
        if (askWholeRows(file, options, out, detected, notByRows)) return true;
        if (!notByRows) return false;
    }
    DecodeRequest request = requestFor(DecodeTask::Picture);
    request.minSide = options.minSide;
    request.applyOrientation = options.applyOrientation;
    request.keepMetadata = options.keepMetadata;
    request.keepCutShort = options.keepCutShort;
    request.checkBudget = checkBudget;
    return askPicture(file, request, out, detected);
}

bool workerFacts(FileSource& file, bool headersOnly, ImageFacts& out, bool& hasReader,
                 FileFormat* detected) {
    DecodeReply reply;
    const bool ok =
        ask(file, requestFor(headersOnly ? DecodeTask::HeaderFacts : DecodeTask::Facts), reply);
    setDetected(detected, reply);
    if (!ok) return false;
    hasReader = !reply.noHeaderReader;
    if (!hasReader) return true;
    const ImageFacts& facts = reply.facts;
    if (!Image::fitsSides(facts.width, facts.height) ||
        Image::storageBytesPerPixel(facts.bitsPerPixel) * 8 < facts.bitsPerPixel ||
        facts.bitsPerPixel < 1)
        return failWithDetail(kErrFileBroken, "the decoder stopped: its facts are impossible");
    out = facts;
    return true;
}

bool bytesAsFile(const uint8_t* data, size_t size, FileSource& file) {
    UniqueFd memory(memfd_create("ximora-bytes", MFD_CLOEXEC | MFD_ALLOW_SEALING));
    for (size_t at = 0; memory.valid() && at < size;) {
        const ssize_t done = ::write(memory.get(), data + at, size - at);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) return failWithReason(kErrMemory, done < 0 ? errno : ENOSPC);
        at += size_t(done);
    }
    // Sealed, so that the worker reads these bytes and no others.
    if (!memory.valid() ||
        fcntl(memory.get(), F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE) != 0)
        return failWithReason(kErrMemory, errno);
    return file.adopt(memory.release());
}

bool workerThumbnail(FileSource& file, int size, Image& thumb) {
    DecodeRequest request = requestFor(DecodeTask::Thumbnail);
    request.thumbnailSize = size;
    return askPicture(file, request, thumb, nullptr);
}

bool workerDrawing(FileSource& file, const DrawingAsk& drawing, DrawingFacts& facts, Image& picture,
                   std::string& message) {
    message.clear();
    DecodeRequest request = requestFor(DecodeTask::Drawing);
    if (drawing.kind.size() >= sizeof request.drawingKind) return fail(kErrBadFile);
    drawing.kind.copy(request.drawingKind, drawing.kind.size());
    request.drawingWidth = drawing.width;
    request.drawingHeight = drawing.height;
    request.thumbnailSize = drawing.fit;
    DecodeReply reply;
    const bool painted = drawing.fit > 0 || (drawing.width > 0 && drawing.height > 0);
    if (!ask(file, request, reply, painted ? &picture : nullptr)) {
        // The reader's own words, when it was the reader that said no.
        if (reply.magic == kDecodeReplyMagic && !reply.ok)
            message.assign(reply.message, strnlen(reply.message, sizeof reply.message));
        return false;
    }
    if (!Image::fitsSides(reply.facts.width, reply.facts.height) || reply.skippedRecords < 0)
        return failWithDetail(kErrFileBroken, "the decoder stopped: its facts are impossible");
    facts = {reply.facts.width, reply.facts.height, reply.skippedRecords};
    return true;
}

bool workerRows(FileSource& file, RowSink& sink) {
    DecodeReply reply;
    return ask(file, requestFor(DecodeTask::Rows), reply, nullptr, &sink);
}

}  // namespace ximora::engine
