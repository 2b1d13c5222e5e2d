#include "childprocesses.h"

#include <QProcess>

#include <qt_windows.h>
#include <tlhelp32.h>

#include <cwchar>

namespace {

// When the process was created; 0 when it cannot be told.
quint64 creationTime(DWORD pid)
{
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process)
        return 0;
    FILETIME created = {}, exited = {}, kernel = {}, user = {};
    const bool known = GetProcessTimes(process, &created, &exited, &kernel, &user);
    CloseHandle(process);
    return known ? (quint64(created.dwHighDateTime) << 32) | created.dwLowDateTime : 0;
}

} // namespace

bool hasRunningChildren(qint64 pid)
{
    if (pid <= 0)
        return false;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    // A process names its parent by number only, and numbers are reused: one created before
    // the plugin is the child of an earlier process of that number. A console program's console
    // host is its child for its whole life, and runs no script.
    const quint64 born = creationTime(DWORD(pid));
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found;
         more = Process32NextW(snapshot, &entry)) {
        found = entry.th32ParentProcessID == DWORD(pid) &&
                _wcsicmp(entry.szExeFile, L"conhost.exe") != 0 &&
                creationTime(entry.th32ProcessID) >= born;
    }
    CloseHandle(snapshot);
    return found;
}

void endsWithThisProcess(QProcess &) {}

void tieToThisProcess(QProcess &process)
{
    // One job for all: when this process ends, however, Windows closes the job's last handle
    // and kills what is in it. The plugin's own job for its scripts nests inside.
    static const HANDLE job = [] {
        const HANDLE made = CreateJobObjectW(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (made)
            SetInformationJobObject(made, JobObjectExtendedLimitInformation, &limits,
                                    sizeof limits);
        return made;
    }();
    if (!job || process.processId() <= 0)
        return;
    const HANDLE child =
        OpenProcess(PROCESS_SET_QUOTA | PROCESS_TERMINATE, FALSE, DWORD(process.processId()));
    if (child) {
        AssignProcessToJobObject(job, child);
        CloseHandle(child);
    }
}
