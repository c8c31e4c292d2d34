#include "platform/clipboard_keeper.h"

#include <QClipboard>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/clipboard_payload.h"
#include "platform/file_names.h"
#include "platform/program_path.h"
#include "platform/x11_selection.h"

namespace ximora::platform {
namespace {

// The whole hand-over, from starting the server to its answer.
constexpr int kHandOverMs = 20000;

// `fd` moved above the standard streams (a caller may have started the program with some of them
// closed), so that making them the server's never clobbers it.
int aboveStandardStreams(int fd) {
    if (fd < 0 || fd > 2) return fd;
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    ::close(fd);
    return moved;
}

// Starts `program` with one argument as a process that is neither a child of this one nor in
// its session: standard input is the peer of the returned socket, standard output and error go
// to /dev/null, no other descriptor is inherited and it works in "/", so it keeps no terminal,
// file or folder of the program's open. -1 when it cannot be started.
int startDetached(const QByteArray& program, const QByteArray& argument) {
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return -1;
    pair[0] = aboveStandardStreams(pair[0]);
    pair[1] = aboveStandardStreams(pair[1]);
    const int devNull = aboveStandardStreams(::open("/dev/null", O_RDWR | O_CLOEXEC));
    rlimit files{};
    const int lastFd = ::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < 65536
                           ? static_cast<int>(files.rlim_cur)
                           : 65536;
    char* const argv[] = {const_cast<char*>(program.constData()),
                          const_cast<char*>(argument.constData()), nullptr};
    const pid_t child = devNull < 0 || pair[0] < 0 || pair[1] < 0 ? -1 : ::fork();
    if (child == 0) {
        // Only async-signal-safe calls between fork and exec.
        if (::setsid() < 0) ::_exit(1);
        const pid_t server = ::fork();
        if (server != 0) ::_exit(server < 0 ? 1 : 0);
        sigset_t none;
        ::sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        if (::dup2(pair[1], 0) < 0 || ::dup2(devNull, 1) < 0 || ::dup2(devNull, 2) < 0) ::_exit(1);
        if (::close_range(3, ~0U, 0) != 0)
            for (int fd = 3; fd < lastFd; ++fd) ::close(fd);
        if (::chdir("/") != 0) ::_exit(1);
        ::execv(argv[0], argv);
        ::_exit(127);
    }
    if (pair[1] >= 0) ::close(pair[1]);
    if (devNull >= 0) ::close(devNull);
    int status = -1;
    while (child > 0 && ::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (child <= 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        if (pair[0] >= 0) ::close(pair[0]);
        return -1;
    }
    return pair[0];
}

// Waits until `fd` is ready for `events`; false at the deadline or on an error.
bool await(int fd, short events, const QDeadlineTimer& deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(deadline.remainingTime()));
        if (ready > 0) return true;
        if (ready == 0 || errno != EINTR) return false;
    }
}

bool sendAll(int fd, const QByteArray& bytes, const QDeadlineTimer& deadline) {
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        if (!await(fd, POLLOUT, deadline)) return false;
        // A server that died must not take this process with it through SIGPIPE.
        const ssize_t n = ::send(fd, bytes.constData() + sent, size_t(bytes.size() - sent),
                                 MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno != EINTR && errno != EAGAIN) return false;
        if (n > 0) sent += n;
    }
    return ::shutdown(fd, SHUT_WR) == 0;
}

// The server's answer: "1" once it owns the clipboard; nothing when it gave up or died.
bool answeredOwner(int fd, const QDeadlineTimer& deadline) {
    char answer = 0;
    for (;;) {
        if (!await(fd, POLLIN, deadline)) return false;
        const ssize_t n = ::read(fd, &answer, 1);
        if (n == 1) return answer == '1';
        if (n == 0 || errno != EINTR) return false;
    }
}

// Qt gives a clipboard manager each format in one property (no incremental transfer while it
// closes), so a format larger than one request would be lost; the server has no such limit.
bool managerCanTake(const QMimeData& data) {
    const qint64 limit = x11LargestProperty();
    if (data.hasImage()) {
        // The picture formats that matter (PNG, BMP, Qt's own) take at most 4 bytes a pixel.
        const QImage image = qvariant_cast<QImage>(data.imageData());
        if (qint64(image.width()) * image.height() * 4 + 4096 > limit) return false;
    }
    for (const QString& format : data.formats())
        if (format != QLatin1String("application/x-qt-image") && data.data(format).size() > limit)
            return false;
    return true;
}

}  // namespace

ClipboardKeeping keepClipboardAfterExit(QString& error) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ||
        QGuiApplication::platformName() != QLatin1String("xcb"))
        return ClipboardKeeping::NothingOwned;
    // The selection's real owner, not Qt's memory of it: another program may have taken the
    // clipboard a moment ago, and its content must never be replaced by an older one.
    const quint32 owner = x11SelectionOwner("CLIPBOARD");
    if (!x11WindowIsOwn(owner)) return ClipboardKeeping::NothingOwned;
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || data->formats().isEmpty()) return ClipboardKeeping::NothingOwned;
    if (x11SelectionOwner("CLIPBOARD_MANAGER") != 0 && managerCanTake(*data))
        return ClipboardKeeping::ByManager;

    const QByteArray payload = encodeClipboard(*data);
    if (payload.isEmpty()) {
        error = QStringLiteral("ﾒﾓﾘｴﾗｰが発生しました");
        return ClipboardKeeping::Lost;
    }
    const QString server = programFolder() + QStringLiteral("ximora-clipboard");
    const int fd = QFileInfo(server).isExecutable()
                       ? startDetached(encodePath(server), QByteArray::number(owner, 16))
                       : -1;
    if (fd < 0) {
        error = server + QStringLiteral(" を起動できません");
        return ClipboardKeeping::Lost;
    }
    const QDeadlineTimer deadline(kHandOverMs);
    const bool owned = sendAll(fd, payload, deadline) && answeredOwner(fd, deadline);
    ::close(fd);
    if (owned) return ClipboardKeeping::ByServer;
    error = server + QStringLiteral(" がｸﾘｯﾌﾟﾎﾞｰﾄﾞを引き継げませんでした");
    return ClipboardKeeping::Lost;
}

}  // namespace ximora::platform
