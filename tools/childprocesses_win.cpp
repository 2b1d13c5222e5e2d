#include "childprocesses.h"

#include <qt_windows.h>
#include <tlhelp32.h>

#include <cwchar>

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
    // A console program's console host is its child for its whole life, and runs no script.
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found;
         more = Process32NextW(snapshot, &entry))
        found = entry.th32ParentProcessID == DWORD(pid) &&
                _wcsicmp(entry.szExeFile, L"conhost.exe") != 0;
    CloseHandle(snapshot);
    return found;
}
