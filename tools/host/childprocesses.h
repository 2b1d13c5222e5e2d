#pragma once

#include <QtGlobal>

// Whether the process pid has children that still run: for keyscript-host, whether the plugin
// still runs scripts.
bool hasRunningChildren(qint64 pid);

class QProcess;

// Makes process end when this process ends, however it ends: keyscript-host's plugin, which
// rightly stays up when a host goes away. Called before the process starts (Linux: a death
// signal, SIGTERM, so the plugin ends its scripts), and tieToThisProcess once it has started
// (Windows: a job that is closed, and kills it, when this process ends).
void endsWithThisProcess(QProcess &process);
void tieToThisProcess(QProcess &process);
