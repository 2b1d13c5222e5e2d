// The script's output pipe and its tie to the plugin's life, on Windows.
#include "scriptprocess.h"

#include <QAtomicInteger>
#include <QWinEventNotifier>

#include <qt_windows.h>

#include <memory>
#include <utility>

namespace {
constexpr DWORD chunkSize = 64 * 1024;

// One job for all scripts, never closed: when the plugin ends, however it ends, Windows closes
// the handle and kills every member. Processes that a script creates break away silently, so a
// program it starts to outlive the press keeps running.
HANDLE scriptJob()
{
    static const HANDLE job = [] {
        HANDLE handle = CreateJobObjectW(nullptr, nullptr);
        if (!handle)
            return handle;
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags =
            JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_SILENT_BREAKAWAY_OK;
        SetInformationJobObject(handle, JobObjectExtendedLimitInformation, &limits, sizeof limits);
        return handle;
    }();
    return job;
}

QString lastError()
{
    return qt_error_string(int(GetLastError()));
}
} // namespace

struct ScriptProcess::Pipe
{
    HANDLE readEnd = INVALID_HANDLE_VALUE;  // overlapped, so the event loop never blocks on it
    HANDLE writeEnd = INVALID_HANDLE_VALUE; // inheritable: the script's standard output
    OVERLAPPED overlapped = {};
    QWinEventNotifier *notifier = nullptr;
    bool reading = false; // a read is under way
    bool broken = false;  // every writer has closed the pipe
    char buffer[chunkSize];
};

bool ScriptProcess::openPipe()
{
    // An anonymous pipe cannot be read asynchronously, so the read end is a named pipe of ours.
    static QAtomicInteger<quint32> serial = 0;
    const QString name = QStringLiteral("\\\\.\\pipe\\keyscript-%1-%2")
                             .arg(GetCurrentProcessId())
                             .arg(serial.fetchAndAddRelaxed(1));
    auto p = std::make_unique<Pipe>();
    p->readEnd = CreateNamedPipeW(
        reinterpret_cast<const wchar_t *>(name.utf16()),
        PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 0,
        chunkSize, 0, nullptr);
    if (p->readEnd == INVALID_HANDLE_VALUE) {
        setErrorString(tr("Could not make the output pipe: %1").arg(lastError()));
        return false;
    }
    SECURITY_ATTRIBUTES inheritable = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    p->writeEnd = CreateFileW(reinterpret_cast<const wchar_t *>(name.utf16()), GENERIC_WRITE, 0,
                              &inheritable, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    p->overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (p->writeEnd == INVALID_HANDLE_VALUE || !p->overlapped.hEvent) {
        setErrorString(tr("Could not make the output pipe: %1").arg(lastError()));
        pipe = p.release();
        closePipe();
        return false;
    }
    p->notifier = new QWinEventNotifier(p->overlapped.hEvent, this);
    p->notifier->setEnabled(false);
    pipe = p.release();
    connect(pipe->notifier, &QWinEventNotifier::activated, this, &ScriptProcess::readAvailable);
    return true;
}

void ScriptProcess::prepareChild()
{
    setCreateProcessArgumentsModifier([output = pipe->writeEnd](CreateProcessArguments *arguments) {
        arguments->startupInfo->dwFlags |= STARTF_USESTDHANDLES;
        arguments->startupInfo->hStdOutput = output;
        // No console window of its own, whether or not the host gave the plugin one: a window
        // would flash on every press. A program the script starts itself ("start") still shows.
        arguments->flags = (arguments->flags & ~DWORD(CREATE_NEW_CONSOLE)) | CREATE_NO_WINDOW;
    });
}

void ScriptProcess::childStarted()
{
    if (!pipe)
        return;
    CloseHandle(pipe->writeEnd);
    pipe->writeEnd = INVALID_HANDLE_VALUE;
    // As soon as it runs: a process the script creates before this is outside the job, as any
    // process it creates later is.
    if (HANDLE process =
            OpenProcess(PROCESS_SET_QUOTA | PROCESS_TERMINATE, FALSE, DWORD(processId()))) {
        AssignProcessToJobObject(scriptJob(), process);
        CloseHandle(process);
    }
}

void ScriptProcess::setWatching(bool watching)
{
    if (!pipe)
        return;
    pipe->notifier->setEnabled(watching);
    if (!watching || pipe->reading || pipe->broken)
        return;
    // The event is set when the read completes, also when it completes at once.
    if (ReadFile(pipe->readEnd, pipe->buffer, chunkSize, nullptr, &pipe->overlapped) ||
        GetLastError() == ERROR_IO_PENDING) {
        pipe->reading = true;
    } else {
        // The writers are gone; said from the event loop, not from inside this call.
        pipe->broken = true;
        SetEvent(pipe->overlapped.hEvent);
    }
}

bool ScriptProcess::readAvailable()
{
    if (!pipe)
        return false;
    if (pipe->broken) {
        endOfOutput();
        return false;
    }
    if (!pipe->reading)
        setWatching(!isOutputPaused());
    DWORD n = 0;
    if (!pipe->reading || !GetOverlappedResult(pipe->readEnd, &pipe->overlapped, &n, FALSE)) {
        if (pipe->reading && GetLastError() == ERROR_IO_INCOMPLETE)
            return false;
        if (pipe->reading) { // broken: every writer has closed the pipe
            pipe->reading = false;
            endOfOutput();
        }
        return false;
    }
    ResetEvent(pipe->overlapped.hEvent);
    pipe->reading = false;
    const QByteArray chunk(pipe->buffer, qsizetype(n));
    setWatching(!isOutputPaused()); // the next read, into the buffer just copied
    if (n > 0)
        deliver(chunk);
    return n > 0;
}

void ScriptProcess::closePipe()
{
    if (!pipe)
        return;
    // No longer waited for before the read is cancelled, which sets the event.
    if (pipe->notifier)
        pipe->notifier->setEnabled(false);
    if (pipe->reading) { // the buffer must outlive the read
        DWORD n = 0;
        CancelIoEx(pipe->readEnd, &pipe->overlapped);
        GetOverlappedResult(pipe->readEnd, &pipe->overlapped, &n, TRUE);
    }
    if (pipe->notifier) { // also reached from the notifier's own signal, hence later
        // The event is closed only once the notifier and its wait have gone: closed sooner, its
        // number may be given to a new handle while a wait thread still watches it (under Wine,
        // a notifier that was gone was then called).
        const HANDLE event = std::exchange(pipe->overlapped.hEvent, nullptr);
        connect(pipe->notifier, &QObject::destroyed, [event] { CloseHandle(event); });
        pipe->notifier->deleteLater();
    }
    for (HANDLE handle : {pipe->readEnd, pipe->writeEnd}) {
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
    if (pipe->overlapped.hEvent)
        CloseHandle(pipe->overlapped.hEvent);
    delete pipe;
    pipe = nullptr;
}

void ScriptProcess::askToEnd()
{
    // terminate() posts WM_CLOSE, which a console program never sees.
    endAsked = true;
    kill();
}

void ScriptProcess::hangUpGroup()
{
    // What a script starts is in the plugin's job with it, and ends with the plugin.
}
