#include "installerfile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <qt_windows.h>

namespace {
volatile LONG interruptedFlag = 0;

BOOL WINAPI onConsoleEvent(DWORD)
{
    InterlockedExchange(&interruptedFlag, 1);
    return TRUE; // handled: the unpacking stops at its next entry and cleans up
}
} // namespace

void InstallerFile::watchInterrupts(bool watch)
{
    SetConsoleCtrlHandler(onConsoleEvent, watch ? TRUE : FALSE);
}

bool InstallerFile::interrupted()
{
    return InterlockedCompareExchange(&interruptedFlag, 0, 0) != 0;
}

// Windows makes no links without a privilege: what the link leads to is copied in its place.
bool InstallerFile::placeLink(const QString &target, const QString &at)
{
    const QString from = QDir::cleanPath(QFileInfo(at).path() + QLatin1Char('/') + target);
    if (QFileInfo(from).isFile())
        return QDir().mkpath(QFileInfo(at).path()) && QFile::copy(from, at);
    QDirIterator it(from, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString copy = QDir(at).filePath(QDir(from).relativeFilePath(file));
        if (!QDir().mkpath(QFileInfo(copy).path()) || !QFile::copy(file, copy))
            return false;
    }
    return QFileInfo(from).isDir();
}
