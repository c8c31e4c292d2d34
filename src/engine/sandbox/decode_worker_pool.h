#pragma once
// The decode workers of one program: started ahead in the background, lent to one request at a
// time, watched while they work, and replaced when they crash, hang or retire.

#include <sys/types.h>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/sandbox/decode_protocol.h"
#include "engine/sandbox/exchange_file.h"
#include "engine/sandbox/sandboxed_decoding.h"
#include "engine/sandbox/unique_fd.h"

namespace ximora::engine {

class DecodeWorkerPool {
  public:
    explicit DecodeWorkerPool(DecodeWorkerSettings settings);
    /// Ends every worker; requests under way fail.
    ~DecodeWorkerPool();
    DecodeWorkerPool(const DecodeWorkerPool&) = delete;
    DecodeWorkerPool& operator=(const DecodeWorkerPool&) = delete;

    /// Hands `request` and the file `fd` to a worker and waits for its reply, with the shared
    /// files it sent in `fds` or the bytes it streamed after it in `streamed`; a picture it
    /// sends goes to `picture` when one is given (lending the worker its exchange file for it
    /// when the raster pool holds a raster to copy it into), and rows it streams go to `rows`
    /// (receiveRows). False with error 17 and the reason ("the decoder stopped: ...") when the
    /// worker died, overran its time or answered nonsense; the worker is then gone. False with
    /// the sink's error when `rows` refused the picture.
    bool call(const DecodeRequest& request, int fd, DecodeReply& reply, UniqueFd (&fds)[2],
              std::vector<uint8_t>& streamed, Image* picture = nullptr, RowSink* rows = nullptr);

    /// Starts keeping the ready workers (at once unless the settings say readyAtOnce false).
    void keepReady();

    /// Process ids of the workers alive now.
    std::vector<int> processes() const;

  private:
    struct Worker {
        pid_t pid = -1;
        UniqueFd socket;
        ExchangeFile exchange;
    };

    std::optional<Worker> spawn() const;
    std::optional<Worker> borrow();
    void giveBack(Worker&& worker);
    /// Ends the worker (killed first when `kill`) and says how it ended.
    std::string lose(Worker&& worker, bool kill);
    void startWorkers();
    /// Waits, the lock held, until a worker may have come back or been started.
    void awaitWorker(std::unique_lock<std::mutex>& lock);

    const DecodeWorkerSettings settings_;
    const int ready_;  // workers kept started
    const int most_;   // workers at most, while requests wait
    std::vector<char*> environment_;
    std::vector<std::string> environmentText_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Worker> idle_;
    std::vector<pid_t> busy_;
    int starting_ = 0;
    // Of those, started to be kept ready, and the requests that wait for them: a request while
    // a ready worker is on its way takes that one instead of starting another beside it.
    int startingReady_ = 0;
    int awaitingReady_ = 0;
    int borrowersWaiting_ = 0;  // requests waiting for a worker
    bool stopping_ = false;
    bool keepingReady_ = false;
    std::thread starter_;
};

}  // namespace ximora::engine
