#include "childprocesses.h"

#include <qt_windows.h>
#include <tlhelp32.h>

bool hasRunningChildren(qint64 pid)
{
    if (pid <= 0)
        return false;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found;
         more = Process32NextW(snapshot, &entry))
        found = entry.th32ParentProcessID == DWORD(pid);
    CloseHandle(snapshot);
    return found;
}
