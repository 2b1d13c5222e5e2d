#pragma once

#include <QStringList>

// What Linux's /proc tells about a process; the tests that use it run on Linux only.

// The direct children of a process, as process IDs.
QStringList childrenOf(qint64 pid);
// The peak resident memory of a process in kB; -1 when it cannot be read.
qint64 peakKilobytes(qint64 pid);
// Whether a process exists and is not a zombie.
bool isAlive(qint64 pid);
