#include "engine/sandbox/sandboxed_decoding.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>

#include <atomic>
#include <climits>
#include <memory>
#include <mutex>

#include "engine/core/error.h"
#include "engine/core/memory_budget.h"
#include "engine/sandbox/decode_protocol.h"
#include "engine/sandbox/decode_worker_pool.h"

namespace ximora::engine {
namespace {

std::mutex gMutex;
std::shared_ptr<DecodeWorkerPool> gPool;  // guarded by gMutex
std::atomic<bool> gActive{false};

std::shared_ptr<DecodeWorkerPool> pool() {
    std::lock_guard lock(gMutex);
    return gPool;
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
    const std::shared_ptr<DecodeWorkerPool> workers = pool();
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

std::string decodeWorkerProgramBeside() {
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return {};
    std::string path(self, size_t(length));
    path.resize(path.rfind('/') + 1);
    path += "ximora-decode";
    return access(path.c_str(), X_OK) == 0 ? path : std::string();
}

bool startDecodeWorkers(const DecodeWorkerSettings& settings) {
    if (settings.program.empty() || access(settings.program.c_str(), X_OK) != 0) return false;
    auto workers = std::make_shared<DecodeWorkerPool>(settings);
    std::shared_ptr<DecodeWorkerPool> old;
    {
        std::lock_guard lock(gMutex);
        old = std::exchange(gPool, std::move(workers));
        gActive = true;
    }
    return true;
}

void stopDecodeWorkers() {
    std::shared_ptr<DecodeWorkerPool> old;
    {
        std::lock_guard lock(gMutex);
        old = std::move(gPool);
        gActive = false;
    }
}

bool decodesInWorkers() { return gActive.load(std::memory_order_relaxed); }

std::vector<int> decodeWorkerProcesses() {
    const std::shared_ptr<DecodeWorkerPool> workers = pool();
    return workers ? workers->processes() : std::vector<int>();
}

bool workerPicture(FileSource& file, const LoadOptions& options, bool checkBudget, Image& out,
                   FileFormat* detected) {
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

bool workerRows(FileSource& file, RowSink& sink) {
    DecodeReply reply;
    return ask(file, requestFor(DecodeTask::Rows), reply, nullptr, &sink);
}

}  // namespace ximora::engine
