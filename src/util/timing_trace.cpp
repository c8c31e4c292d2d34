#include "util/timing_trace.h"

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <QByteArray>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <string>
#include <utility>

namespace ximora::util::trace {

namespace {

// The process's start on the boot-time clock, in nanoseconds, from the kernel's record of it
// (clock ticks since boot, field 22 of /proc/self/stat): libraries loaded before main() count.
int64_t processStartNs() {
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // The command name (field 2) may hold spaces and parentheses; the fields after it do not.
    const size_t close = text.rfind(')');
    if (close == std::string::npos) return 0;
    const char* fields = text.c_str() + close + 2;
    unsigned long long ticks = 0;
    // Fields 3 to 21 come before the start time.
    if (std::sscanf(fields,
                    "%*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s "
                    "%*s %*s %llu",
                    &ticks) != 1)
        return 0;
    return int64_t(ticks) * (1'000'000'000 / sysconf(_SC_CLK_TCK));
}

int64_t nowNs() {
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

struct Trace {
    int fd = -1;
    int64_t startNs = 0;
    std::mutex mutex;  // the pending picture and folder; lines are single appends
    QString picture;
    bool firstViewPainted = false;
    QString folder;
};

Trace& trace() {
    static Trace* opened = [] {
        auto* t = new Trace;
        t->fd =
            ::open(std::getenv("XIMORA_TRACE"), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        t->startNs = processStartNs();
        return t;
    }();
    return *opened;
}

}  // namespace

namespace internal {

const bool gOn = [] {
    const char* file = std::getenv("XIMORA_TRACE");
    return file && *file;
}();

void write(const char* event, const QString& detail) {
    Trace& t = trace();
    if (t.fd < 0) return;
    QByteArray line = QByteArray::number((nowNs() - t.startNs) / 1'000'000) + '\t' + event + '\t' +
                      detail.toUtf8() + '\n';
    // One append per line keeps lines whole when threads or processes share the file.
    [[maybe_unused]] const ssize_t written = ::write(t.fd, line.constData(), size_t(line.size()));
}

}  // namespace internal

void pictureRequested(const QString& path) {
    if (!on()) return;
    {
        std::lock_guard lock(trace().mutex);
        trace().picture = path;
        trace().firstViewPainted = false;
    }
    internal::write("picture-requested", path);
}

void picturePainted(bool whole) {
    if (!on()) return;
    QString path;
    bool first = false;
    {
        std::lock_guard lock(trace().mutex);
        if (trace().picture.isEmpty()) return;
        path = trace().picture;
        first = !trace().firstViewPainted;
        trace().firstViewPainted = true;
        if (whole) trace().picture.clear();
    }
    if (first) internal::write("first-view-painted", path);
    if (whole) internal::write("picture-painted", path);
}

void listFilled(const QString& folder) {
    if (!on()) return;
    std::lock_guard lock(trace().mutex);
    trace().folder = folder;
}

void listPainted() {
    if (!on()) return;
    QString folder;
    {
        std::lock_guard lock(trace().mutex);
        folder = std::exchange(trace().folder, QString());
    }
    if (!folder.isEmpty()) internal::write("list-shown", folder);
}

}  // namespace ximora::util::trace
