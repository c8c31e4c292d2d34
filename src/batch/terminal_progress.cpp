#include "batch/terminal_progress.h"

#include <unistd.h>

namespace ximora::batch {

TerminalProgress::TerminalProgress(std::FILE* stream, size_t total)
    : TerminalProgress(stream, total, isatty(fileno(stream)) == 1) {}

TerminalProgress::TerminalProgress(std::FILE* stream, size_t total, bool active)
    : stream_(stream), total_(total), active_(active) {}

TerminalProgress::~TerminalProgress() {
    const std::lock_guard lock(mutex_);
    clearLine();
}

void TerminalProgress::show(size_t done) {
    if (!active_) return;
    const std::lock_guard lock(mutex_);
    done_ = done;
    draw();
}

void TerminalProgress::advance() {
    if (!active_) return;
    const std::lock_guard lock(mutex_);
    ++done_;
    draw();
}

void TerminalProgress::print(std::FILE* to, const std::string& line) {
    const std::lock_guard lock(mutex_);
    clearLine();
    std::fprintf(to, "%s\n", line.c_str());
    std::fflush(to);
    if (active_ && done_ > 0) draw();
}

void TerminalProgress::clearLine() {
    if (!drawn_) return;
    std::fputs("\r\033[K", stream_);  // carriage return, erase to the end of the line
    std::fflush(stream_);
    drawn_ = false;
}

void TerminalProgress::draw() {
    std::fprintf(stream_, "\r\033[K%zu of %zu", done_, total_);
    std::fflush(stream_);
    drawn_ = true;
}

}  // namespace ximora::batch
