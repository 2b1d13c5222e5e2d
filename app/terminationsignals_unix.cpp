#include "terminationsignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The signal handler may do almost nothing: it writes one byte, and the event loop, watching
// the other end, does the rest.
int wakeUp[2] = {-1, -1};
constexpr int handledSignals[] = {SIGTERM, SIGINT, SIGHUP};

void onSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeUp[0], &byte, 1);
    errno = savedErrno;
}

void setHandler(void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : handledSignals)
        ::sigaction(signal, &action, nullptr);
}

} // namespace

TerminationSignals::TerminationSignals(QObject *parent)
    : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, wakeUp) != 0)
        return; // the signals then end the plugin at once, as they would without us
    for (const int fd : wakeUp)
        ::fcntl(fd, F_SETFD, FD_CLOEXEC); // no script inherits either end
    // A burst of signals must never block the handler.
    ::fcntl(wakeUp[0], F_SETFL, ::fcntl(wakeUp[0], F_GETFL) | O_NONBLOCK);

    auto *notifier = new QSocketNotifier(wakeUp[1], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [] {
        char byte;
        [[maybe_unused]] const ssize_t read = ::read(wakeUp[1], &byte, 1);
        QCoreApplication::quit();
    });
    setHandler(onSignal);
}

TerminationSignals::~TerminationSignals()
{
    if (wakeUp[0] < 0)
        return;
    setHandler(SIG_DFL);
    for (int &fd : wakeUp) {
        ::close(fd);
        fd = -1;
    }
}
