#pragma once
// "N of M" on one line of standard error, rewritten in place while files are worked on, and only
// when standard error is a terminal: logs and pipes get nothing of it.

#include <cstdio>
#include <mutex>
#include <string>

namespace ximora::batch {

class TerminalProgress {
  public:
    /// Shows progress on `stream` when it is a terminal (`active` overrides the test).
    TerminalProgress(std::FILE* stream, size_t total);
    TerminalProgress(std::FILE* stream, size_t total, bool active);
    /// Clears the progress line.
    ~TerminalProgress();
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    /// `done` of the total are finished. Any thread.
    void show(size_t done);
    /// One more is finished. Any thread.
    void advance();
    /// Writes `line` and a line end to `to` without mixing it into the progress line. Any
    /// thread.
    void print(std::FILE* to, const std::string& line);

    bool active() const { return active_; }

  private:
    void clearLine();  // with mutex_ held
    void draw();       // with mutex_ held

    std::FILE* stream_;
    size_t total_;
    size_t done_ = 0;
    bool active_;
    bool drawn_ = false;
    std::mutex mutex_;
};

}  // namespace ximora::batch
