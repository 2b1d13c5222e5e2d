#include "groupwatch.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

int watchPipe = -1; // the plugin's end; -1 before the watcher runs, -2 when it could not start

// The watcher, in the forked child: only calls that are safe after fork in a program with
// threads. It keeps the groups in a fixed table, as many as scripts can run at once and more.
[[noreturn]] void watch(int input)
{
    for (int fd = 0; fd < 4096; ++fd) {
        if (fd != input)
            ::close(fd); // the host's socket and pipes are the plugin's, not the watcher's
    }
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
        ::sigaction(signal, &ignore, nullptr); // a Ctrl+C meant for the plugin is its to take
    constexpr int slots = 1024;
    int32_t groups[slots] = {};
    int32_t value = 0;
    for (;;) {
        const ssize_t n = ::read(input, &value, sizeof value);
        if (n < 0 && errno == EINTR)
            continue;
        if (n != ssize_t(sizeof value))
            break; // the plugin has gone
        for (int i = 0; i < slots; ++i) {
            if (value > 0 && groups[i] == 0) {
                groups[i] = value;
                break;
            }
            if (value < 0 && groups[i] == -value) {
                groups[i] = 0;
                break;
            }
        }
    }
    for (const int32_t group : groups) {
        if (group <= 0)
            continue;
        ::kill(pid_t(group), SIGKILL); // the script itself
        ::kill(pid_t(-group), SIGHUP);
        ::kill(pid_t(-group), SIGCONT);
    }
    ::_exit(0);
}

void start()
{
    int fds[2];
    if (::pipe(fds) != 0) {
        watchPipe = -2;
        return;
    }
    // Forked twice, so that the watcher is no child of the plugin's: the plugin's children are
    // its scripts.
    const pid_t child = ::fork();
    if (child == 0) {
        if (::fork() == 0) {
            ::setsid(); // out of the plugin's group: what ends that group does not end it
            watch(fds[0]);
        }
        ::_exit(0);
    }
    ::close(fds[0]);
    if (child > 0) {
        while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    if (child < 0) {
        ::close(fds[1]);
        watchPipe = -2;
        return;
    }
    // No script inherits the plugin's end: the watcher would never see it close.
    ::fcntl(fds[1], F_SETFD, FD_CLOEXEC);
    watchPipe = fds[1];
}

void tell(int32_t value)
{
    if (watchPipe == -1)
        start();
    if (watchPipe < 0)
        return;
    ssize_t n;
    do {
        n = ::write(watchPipe, &value, sizeof value);
    } while (n < 0 && errno == EINTR);
}

} // namespace

void GroupWatch::add(qint64 group)
{
    if (group > 0 && group <= INT32_MAX)
        tell(int32_t(group));
}

void GroupWatch::remove(qint64 group)
{
    if (group > 0 && group <= INT32_MAX && watchPipe >= 0)
        tell(-int32_t(group));
}
