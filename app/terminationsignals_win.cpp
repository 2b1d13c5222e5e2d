#include "terminationsignals.h"

#include <QCoreApplication>

#include <qt_windows.h>

namespace {

// Set once the teardown is over. Windows ends the process as soon as the handler returns from
// a close, log-off or shut-down event, so the handler waits for it (within the few seconds
// Windows grants).
HANDLE teardownDone = nullptr;
constexpr DWORD teardownWaitMs = 4500;

BOOL WINAPI onConsoleEvent(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        break;
    default:
        return FALSE;
    }
    // This runs on a thread of its own: hand the request to the event loop.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && teardownDone)
        WaitForSingleObject(teardownDone, teardownWaitMs);
    return TRUE;
}

} // namespace

TerminationSignals::TerminationSignals(QObject *parent)
    : QObject(parent)
{
    teardownDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

TerminationSignals::~TerminationSignals()
{
    if (teardownDone)
        SetEvent(teardownDone);
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
}
