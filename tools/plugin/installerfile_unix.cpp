#include "installerfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>

namespace {
volatile sig_atomic_t interruptedFlag = 0;
struct sigaction previous[2];
constexpr int watched[2] = {SIGINT, SIGTERM};

extern "C" void onInterrupt(int)
{
    interruptedFlag = 1;
}
} // namespace

void InstallerFile::watchInterrupts(bool watch)
{
    for (int i = 0; i < 2; ++i) {
        if (watch) {
            struct sigaction action = {};
            action.sa_handler = onInterrupt;
            sigemptyset(&action.sa_mask);
            sigaction(watched[i], &action, &previous[i]);
        } else {
            sigaction(watched[i], &previous[i], nullptr);
        }
    }
}

bool InstallerFile::interrupted()
{
    return interruptedFlag != 0;
}

bool InstallerFile::placeLink(const QString &target, const QString &at)
{
    return QDir().mkpath(QFileInfo(at).path()) && QFile::link(target, at);
}
