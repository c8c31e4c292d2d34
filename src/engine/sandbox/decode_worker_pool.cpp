#include "engine/sandbox/decode_worker_pool.h"

#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "engine/core/error.h"
#include "engine/core/memory_budget.h"
#include "engine/core/rasterpool.h"
#include "engine/sandbox/row_forwarding.h"

extern char** environ;

namespace ximora::engine {
namespace {

constexpr uint64_t kLibraryRoom = uint64_t(1) << 30;
// How long an idle worker's exchange file keeps the last picture's pages for the next one, as
// the raster pool keeps a freed raster.
constexpr std::chrono::milliseconds kExchangeKept(2000);

int cores() { return std::max(1, int(std::thread::hardware_concurrency())); }

// Waits for a worker that has ended or been killed, and says how it ended.
std::string howItEnded(pid_t pid) {
    int status = 0;
    pid_t done;
    do done = waitpid(pid, &status, 0);
    while (done < 0 && errno == EINTR);
    if (done != pid) return "it vanished";
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        const char* name = sigdescr_np(signal);
        return "signal " + std::to_string(signal) + " (" + (name ? name : "unknown") + ")";
    }
    return "it ended with status " + std::to_string(WEXITSTATUS(status));
}

bool decoderStopped(const std::string& why) {
    return failWithDetail(kErrFileBroken, "the decoder stopped: " + why);
}

// Takes the worker's error as its own, keeping the codes of the error table only.
bool workerFailed(const DecodeReply& reply) {
    const int code = reply.error;
    const bool known = (code >= kErrOther && code <= kErrNoImage) ||
                       (code >= kErrScanEntryPoint && code <= kErrScanResolution);
    if (!known) return decoderStopped("it gave an unknown error");
    if (reply.reason > 0 && reply.reason < 4096) return failWithReason(code, reply.reason);
    const size_t length = strnlen(reply.detail, sizeof reply.detail);
    if (length) return failWithDetail(code, std::string_view(reply.detail, length));
    return fail(code);
}

}  // namespace

DecodeWorkerPool::DecodeWorkerPool(DecodeWorkerSettings settings)
    : settings_(std::move(settings)),
      ready_(settings_.workers > 0 ? settings_.workers : cores()),
      most_(2 * ready_) {
    for (char** e = environ; *e; ++e) environmentText_.emplace_back(*e);
#if defined(__SANITIZE_ADDRESS__)
    // Under AddressSanitizer the address space cannot be limited (its shadow takes terabytes):
    // its allocator refuses memory past the limit instead, and reports an error as an abort
    // (a signal, as a crash without it would be). The leak check at exit needs ptrace, which
    // the worker may not use.
    const uint64_t megabytes =
        (settings_.memoryBytes ? settings_.memoryBytes : memoryLimit() + kLibraryRoom) >> 20;
    std::string asan = "ASAN_OPTIONS=";
    for (const std::string& e : environmentText_)
        if (e.starts_with("ASAN_OPTIONS=")) asan = e + ":";
    std::erase_if(environmentText_,
                  [](const std::string& e) { return e.starts_with("ASAN_OPTIONS="); });
    environmentText_.push_back(
        asan + "detect_leaks=0:abort_on_error=1:allocator_may_return_null=1:soft_rss_limit_mb=" +
        std::to_string(megabytes));
#endif
    for (const std::string& e : settings_.environment) environmentText_.push_back(e);
    for (std::string& e : environmentText_) environment_.push_back(e.data());
    environment_.push_back(nullptr);
    keepingReady_ = settings_.readyAtOnce;
    starter_ = std::thread([this] { startWorkers(); });
}

void DecodeWorkerPool::keepReady() {
    {
        std::lock_guard lock(mutex_);
        keepingReady_ = true;
    }
    changed_.notify_all();
}

DecodeWorkerPool::~DecodeWorkerPool() {
    std::vector<Worker> idle;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        idle = std::move(idle_);
    }
    changed_.notify_all();
    starter_.join();
    // Closing the socket ends an idle worker; it is waited for so that none is left a zombie.
    for (Worker& worker : idle) lose(std::move(worker), false);
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return busy_.empty(); });
}

std::optional<DecodeWorkerPool::Worker> DecodeWorkerPool::spawn() const {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) return std::nullopt;
    UniqueFd mine(ends[0]), theirs(ends[1]);
    const uint64_t memory =
        settings_.memoryBytes ? settings_.memoryBytes : memoryLimit() + kLibraryRoom;
    std::string memoryText = std::to_string(memory), cpuText = std::to_string(settings_.cpuSeconds);
    std::string program = settings_.program;
    char memoryFlag[] = "--memory", cpuFlag[] = "--cpu";
    char* arguments[] = {program.data(), memoryFlag,     memoryText.data(),
                         cpuFlag,        cpuText.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // The worker's end becomes its descriptor 3; dup2 clears close-on-exec.
    posix_spawn_file_actions_adddup2(&actions, theirs.get(), 3);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, program.c_str(), &actions, nullptr, arguments,
                                   const_cast<char* const*>(environment_.data()));
    posix_spawn_file_actions_destroy(&actions);
    if (failed) return std::nullopt;
    return Worker{pid, std::move(mine), ExchangeFile()};
}

void DecodeWorkerPool::startWorkers() {
    std::unique_lock lock(mutex_);
    const auto needed = [this] {
        return stopping_ ||
               (keepingReady_ && int(idle_.size() + busy_.size()) + starting_ < ready_);
    };
    for (;;) {
        // While an idle worker's exchange file holds a picture, it is emptied after a while.
        if (std::ranges::any_of(idle_, [](const Worker& w) { return w.exchange.holdsPages(); })) {
            changed_.wait_for(lock, kExchangeKept, needed);
            for (Worker& worker : idle_) worker.exchange.emptyIfIdle(kExchangeKept);
        } else {
            changed_.wait(lock, needed);
        }
        if (stopping_) return;
        if (!needed()) continue;
        ++starting_;
        ++startingReady_;
        lock.unlock();
        std::optional<Worker> worker = spawn();
        lock.lock();
        --starting_;
        --startingReady_;
        changed_.notify_all();
        if (!worker) {
            // The program cannot be started now; requests start their own and say so.
            changed_.wait_for(lock, std::chrono::seconds(5), [this] { return stopping_; });
            continue;
        }
        idle_.push_back(std::move(*worker));
    }
}

std::optional<DecodeWorkerPool::Worker> DecodeWorkerPool::borrow() {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (stopping_) return std::nullopt;
        if (!idle_.empty()) {
            Worker worker = std::move(idle_.back());
            idle_.pop_back();
            busy_.push_back(worker.pid);
            return worker;
        }
        if (startingReady_ > awaitingReady_) {
            ++awaitingReady_;
            awaitWorker(lock);
            --awaitingReady_;
            continue;
        }
        if (int(busy_.size()) + starting_ < most_) break;
        awaitWorker(lock);
    }
    ++starting_;
    lock.unlock();
    std::optional<Worker> worker = spawn();
    lock.lock();
    --starting_;
    if (worker) busy_.push_back(worker->pid);
    changed_.notify_all();
    return worker;
}

void DecodeWorkerPool::awaitWorker(std::unique_lock<std::mutex>& lock) {
    ++borrowersWaiting_;
    changed_.wait(lock);
    --borrowersWaiting_;
}

void DecodeWorkerPool::giveBack(Worker&& worker) {
    {
        std::lock_guard lock(mutex_);
        if (!stopping_) {
            std::erase(busy_, worker.pid);
            // A worker coming back concerns the starter only when its exchange file is to be
            // emptied later; waking it after every request would cost two switches of threads.
            const bool wakes = borrowersWaiting_ > 0 || worker.exchange.holdsPages();
            idle_.push_back(std::move(worker));
            if (wakes) changed_.notify_all();
            return;
        }
    }
    lose(std::move(worker), false);
}

std::string DecodeWorkerPool::lose(Worker&& worker, bool kill) {
    if (kill) ::kill(worker.pid, SIGKILL);
    worker.socket.reset();  // ends a worker waiting for a request
    std::string ended = howItEnded(worker.pid);
    {
        std::lock_guard lock(mutex_);
        std::erase(busy_, worker.pid);
    }
    changed_.notify_all();  // the starter replaces it
    return ended;
}

bool DecodeWorkerPool::call(const DecodeRequest& request, int fd, DecodeReply& reply,
                            UniqueFd (&fds)[2], std::vector<uint8_t>& streamed, Image* picture,
                            RowSink* rows) {
    const int timeoutMs = settings_.timeoutSeconds * 1000;
    // A worker that died while idle is found when the request cannot be sent: one more try.
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::optional<Worker> worker = borrow();
        if (!worker) return decoderStopped("the decode worker could not be started");
        // Rows pass through the exchange file whenever the budget allows a file of its slots.
        // For a picture it pays only when the copy out of it lands in a pooled raster: a fresh
        // one costs as much to fault in as the worker's fresh shared file, which this program
        // maps without a copy.
        DecodeRequest sent = request;
        const bool exchanging =
            rows ? memoryLimit() >= kRowSlotsBytes
                 : picture && request.task == DecodeTask::Picture && RasterPool::pooledCount() > 0;
        const int exchange = exchanging ? worker->exchange.lend() : -1;
        sent.lendsExchangeFile = exchange >= 0;
        const int files[2] = {fd, exchange};
        if (!sendDecodeMessage(worker->socket.get(), &sent, sizeof sent, files,
                               exchange >= 0 ? 2 : 1)) {
            lose(std::move(*worker), true);
            continue;
        }
        bool timedOut = false, refused = false, decoded = false;
        if (rows) {
            clearLastError();
            if (!receiveRows(worker->socket.get(), exchange >= 0 ? &worker->exchange : nullptr,
                             *rows, timeoutMs, timedOut, refused, decoded)) {
                const std::string ended = lose(std::move(*worker), true);
                if (lastError()) return false;  // it sent nonsense, which the error says
                return decoderStopped(timedOut ? "it took longer than " +
                                                     std::to_string(settings_.timeoutSeconds) + " s"
                                               : ended);
            }
        }
        bool answered = receiveDecodeMessage(worker->socket.get(), &reply, sizeof reply, fds,
                                             timeoutMs, &timedOut);
        if (answered && reply.magic == kDecodeReplyMagic && reply.ok && reply.streamed) {
            // What a worker may send is held to the memory budget before it is taken.
            if (reply.rasterBytes > memoryLimit() ||
                reply.partsBytes > memoryLimit() - reply.rasterBytes) {
                lose(std::move(*worker), true);
                return fail(kErrMemory);
            }
            answered =
                receiveDecodeStream(worker->socket.get(), reply.rasterBytes + reply.partsBytes,
                                    streamed, timeoutMs, &timedOut);
        }
        if (!answered) {
            // Without an answer the worker has died, or is ended now: it overran its time.
            const std::string ended = lose(std::move(*worker), true);
            return decoderStopped(timedOut ? "it took longer than " +
                                                 std::to_string(settings_.timeoutSeconds) + " s"
                                           : ended);
        }
        if (reply.magic != kDecodeReplyMagic) {
            lose(std::move(*worker), true);
            return decoderStopped("its answer did not hold together");
        }
        // The picture is taken before the worker may be lent again and overwrite it. A sink
        // that refused the rows has said why.
        const bool ok =
            refused ? false
            : reply.ok
                ? (!picture || unpackPicture(reply, fds, streamed, worker->exchange, *picture)) &&
                      (!rows || decoded)
                : workerFailed(reply);
        if (reply.retiring)
            lose(std::move(*worker), false);
        else
            giveBack(std::move(*worker));
        return ok;
    }
    return decoderStopped("the decode worker ended before it was asked");
}

std::vector<int> DecodeWorkerPool::processes() const {
    std::lock_guard lock(mutex_);
    std::vector<int> pids(busy_.begin(), busy_.end());
    for (const Worker& worker : idle_) pids.push_back(worker.pid);
    return pids;
}

}  // namespace ximora::engine
