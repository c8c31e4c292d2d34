#include "engine/sandbox/sandboxed_decoding.h"

#include <unistd.h>

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

// Asks a worker; on success the reply's facts and format are the caller's to take.
bool ask(FileSource& file, const DecodeRequest& request, DecodeReply& reply, UniqueFd (&fds)[2]) {
    const std::shared_ptr<DecodeWorkerPool> workers = pool();
    if (!workers) return failWithDetail(kErrFileBroken, "the decoder stopped: no decode worker");
    clearLastError();
    return workers->call(request, file.descriptor(), reply, fds);
}

void setDetected(FileFormat* detected, const DecodeReply& reply) {
    if (!detected) return;
    const bool known =
        reply.format >= int(FileFormat::Unknown) && reply.format <= int(FileFormat::Jxl);
    *detected = known ? FileFormat(reply.format) : FileFormat::Unknown;
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
    DecodeReply reply;
    UniqueFd fds[2];
    const bool ok = ask(file, request, reply, fds);
    setDetected(detected, reply);
    return ok && unpackPicture(reply, fds, out);
}

bool workerFacts(FileSource& file, bool headersOnly, ImageFacts& out, bool& hasReader,
                 FileFormat* detected) {
    DecodeReply reply;
    UniqueFd fds[2];
    const bool ok = ask(file, requestFor(headersOnly ? DecodeTask::HeaderFacts : DecodeTask::Facts),
                        reply, fds);
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

bool workerThumbnail(FileSource& file, int size, Image& thumb) {
    DecodeRequest request = requestFor(DecodeTask::Thumbnail);
    request.thumbnailSize = size;
    DecodeReply reply;
    UniqueFd fds[2];
    return ask(file, request, reply, fds) && unpackPicture(reply, fds, thumb);
}

}  // namespace ximora::engine
