#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// One run of keyscript-host, as a person runs it: in a working directory, with a temporary
// folder of its own (to see that it leaves nothing there), and what it printed kept.
class HostRun
{
public:
    // Runs host in workDir; returns its exit code, -1 when it did not end within 30 s, -2 when
    // it crashed. With interruptAfterMs, it is asked to end (SIGTERM) that long after its start.
    int run(const QString &host, const QString &workDir, const QStringList &arguments,
            const QByteArray &input = QByteArray(), int interruptAfterMs = -1);

    QTemporaryDir temporary;
    QByteArray out; // standard output, line ends as LF
    QByteArray err;
};
