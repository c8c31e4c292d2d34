// ximora-clipboard: serves what `ximora` put on the clipboard after `ximora` has ended, until
// another program takes the clipboard; then it ends. Only `ximora` starts it (see
// platform/clipboard_keeper.h): standard input is a socket that brings the content and takes
// back "1" once this process owns the clipboard; the one argument is the window (hex) that owned
// the clipboard for `ximora`, so that nothing newer is ever taken over.

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTimer>
#include <cerrno>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

#include "platform/clipboard_payload.h"
#include "platform/x11_selection.h"

namespace {

using ximora::platform::x11SelectionOwner;
using ximora::platform::x11WindowIsOwn;

// An ownership lost without the change notice of the XFixes extension still ends the process.
constexpr int kOwnershipCheckMs = 10000;

QByteArray readToEnd(int fd) {
    QByteArray bytes;
    char block[65536];
    for (;;) {
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n > 0) bytes.append(block, n);
        if (n == 0) return bytes;
        if (n < 0 && errno != EINTR) return {};
    }
}

bool ownsClipboard() { return x11WindowIsOwn(x11SelectionOwner("CLIPBOARD")); }

}  // namespace

int main(int argc, char** argv) {
    bool ok = false;
    const quint32 previousOwner = argc == 2 ? QByteArray(argv[1]).toUInt(&ok, 16) : 0;
    if (!ok) return 2;
    const QByteArray payload = readToEnd(STDIN_FILENO);

    // X11 only; and a process of the desktop session's own must not register with its
    // session manager, which would start it again at the next login.
    qputenv("QT_QPA_PLATFORM", "xcb");
    qunsetenv("SESSION_MANAGER");
    QGuiApplication app(argc, argv);
    std::unique_ptr<QMimeData> data = ximora::platform::decodeClipboard(payload);
    if (!data || x11SelectionOwner("CLIPBOARD") != previousOwner) return 1;
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setMimeData(data.release());
    if (!ownsClipboard()) return 1;

    // From here on nothing ties this process to the program: it may end. A program that no
    // longer waits for the answer still wants its content kept.
    [[maybe_unused]] const ssize_t told = ::write(STDIN_FILENO, "1", 1);
    const int devNull = ::open("/dev/null", O_RDONLY);
    if (devNull >= 0) {
        ::dup2(devNull, STDIN_FILENO);
        ::close(devNull);
    }

    const auto endWhenTaken = [&app] {
        if (!ownsClipboard()) app.quit();
    };
    QObject::connect(clipboard, &QClipboard::changed, &app, endWhenTaken);
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &app, endWhenTaken);
    check.start(kOwnershipCheckMs);
    return QGuiApplication::exec();
}
