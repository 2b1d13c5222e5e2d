#pragma once

#include <QStringList>

// What Linux's /proc tells about a process; a check that uses it skips elsewhere.
#ifdef Q_OS_LINUX
#define SKIP_WITHOUT_PROC()
#else
#define SKIP_WITHOUT_PROC() QSKIP("reads Linux's /proc")
#endif

// The direct children of a process, as process IDs.
QStringList childrenOf(qint64 pid);
// The peak resident memory of a process in kB; -1 when it cannot be read.
qint64 peakKilobytes(qint64 pid);
// Whether a process exists and is not a zombie.
bool isAlive(qint64 pid);
