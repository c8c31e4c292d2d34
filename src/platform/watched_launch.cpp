#include "platform/watched_launch.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <cerrno>
#include <thread>
#include <vector>

extern char** environ;

namespace ximora::platform {
namespace {

void tell(std::function<void()> failed) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || !failed) return;
    QMetaObject::invokeMethod(app, std::move(failed), Qt::QueuedConnection);
}

}  // namespace

bool launchWatched(const QByteArray& program, const QList<QByteArray>& arguments,
                   std::function<void()> failed) {
    std::vector<QByteArray> owned{program};
    for (const QByteArray& a : arguments) owned.push_back(a);
    std::vector<char*> argv;
    for (QByteArray& a : owned) argv.push_back(a.data());
    argv.push_back(nullptr);
    // Its output does not mix into ours (automation reads our messages from standard error).
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int started =
        posix_spawnp(&pid, program.constData(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0) {
        tell(std::move(failed));
        return false;
    }
    // Reaped by a thread of its own whenever it ends; a thread left waiting when the program
    // ends goes with it, and the helper goes on.
    std::thread([pid, failed = std::move(failed)]() mutable {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        // Ended by a signal (the session closing, the user ending it) is not its error.
        if (WIFEXITED(status) && WEXITSTATUS(status) != 0) tell(std::move(failed));
    }).detach();
    return true;
}

}  // namespace ximora::platform
