// The script's output pipe and its tie to the plugin's life, on Unix.
#include "scriptprocess.h"

#include "groupwatch.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace {
constexpr qsizetype chunkSize = 64 * 1024;

bool setFlags(int fd, int cmdGet, int cmdSet, int flag)
{
    const int flags = ::fcntl(fd, cmdGet);
    return flags >= 0 && ::fcntl(fd, cmdSet, flags | flag) == 0;
}
} // namespace

struct ScriptProcess::Pipe
{
    int readEnd = -1;
    int writeEnd = -1; // the child's end, closed here once the child has its copy
    QSocketNotifier *notifier = nullptr;
};

bool ScriptProcess::openPipe()
{
    int fds[2];
    // Both ends close on exec: the script gets the write end as its standard output through
    // dup2, which clears the flag on the copy; no other child inherits either end.
    if (::pipe(fds) != 0) {
        setErrorString(tr("Could not make the output pipe: %1").arg(qt_error_string(errno)));
        return false;
    }
    if (!setFlags(fds[0], F_GETFD, F_SETFD, FD_CLOEXEC) ||
        !setFlags(fds[1], F_GETFD, F_SETFD, FD_CLOEXEC) ||
        !setFlags(fds[0], F_GETFL, F_SETFL, O_NONBLOCK)) {
        setErrorString(tr("Could not set up the output pipe: %1").arg(qt_error_string(errno)));
        ::close(fds[0]);
        ::close(fds[1]);
        return false;
    }
    pipe = new Pipe;
    pipe->readEnd = fds[0];
    pipe->writeEnd = fds[1];
    pipe->notifier = new QSocketNotifier(fds[0], QSocketNotifier::Read, this);
    pipe->notifier->setEnabled(false);
    connect(pipe->notifier, &QSocketNotifier::activated, this, &ScriptProcess::readAvailable);
    return true;
}

void ScriptProcess::prepareChild()
{
    // Runs in the child between fork and exec: only async-signal-safe calls.
    setChildProcessModifier([output = pipe->writeEnd, parent = ::getpid()] {
#ifdef Q_OS_LINUX
        // The kernel ends the script when the plugin dies, even by SIGKILL. Nobody is left to
        // follow a request up with a kill, so it is a kill, which no script can ignore. A plugin
        // that died before this call would not be noticed, hence the check after it.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
#else
        Q_UNUSED(parent);
#endif
        // Its own process group: what it starts can be told apart from the plugin's.
        ::setpgid(0, 0);
        ::dup2(output, STDOUT_FILENO);
    });
}

void ScriptProcess::childStarted()
{
    group = processId();
    GroupWatch::add(group);
    // Only the script holds the write end now, so the pipe ends with the script's output.
    if (pipe && pipe->writeEnd >= 0) {
        ::close(pipe->writeEnd);
        pipe->writeEnd = -1;
    }
}

void ScriptProcess::setWatching(bool watching)
{
    if (pipe && pipe->notifier)
        pipe->notifier->setEnabled(watching);
}

bool ScriptProcess::readAvailable()
{
    if (!pipe)
        return false;
    QByteArray buffer(chunkSize, Qt::Uninitialized);
    const ssize_t n = ::read(pipe->readEnd, buffer.data(), size_t(buffer.size()));
    if (n > 0) {
        buffer.truncate(qsizetype(n));
        deliver(buffer);
        return true;
    }
    if (n == 0 || (errno != EAGAIN && errno != EINTR))
        endOfOutput();
    return false;
}

void ScriptProcess::closePipe()
{
    if (!pipe)
        return;
    // Also reached from the notifier's own signal, hence later.
    pipe->notifier->setEnabled(false);
    pipe->notifier->deleteLater();
    for (int fd : {pipe->readEnd, pipe->writeEnd}) {
        if (fd >= 0)
            ::close(fd);
    }
    delete pipe;
    pipe = nullptr;
}

void ScriptProcess::askToEnd()
{
    endAsked = true;
    terminate();
}

void ScriptProcess::hangUpGroup()
{
    if (group <= 0)
        return;
    // A stopped member takes the hang-up once it goes on.
    ::kill(pid_t(-group), SIGHUP);
    ::kill(pid_t(-group), SIGCONT);
}
