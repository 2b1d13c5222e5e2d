#include "hostrun.h"

#include <QProcess>
#include <QProcessEnvironment>

int HostRun::run(const QString &host, const QString &workDir, const QStringList &arguments,
                 const QByteArray &input, int interruptAfterMs)
{
    QProcess process;
    process.setWorkingDirectory(workDir);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TMPDIR", temporary.path());
    environment.insert("TMP", temporary.path());
    environment.insert("TEMP", temporary.path());
    process.setProcessEnvironment(environment);
    process.start(host, arguments);
    process.write(input);
    if (interruptAfterMs < 0) {
        process.closeWriteChannel();
    } else if (!process.waitForFinished(interruptAfterMs)) {
        process.terminate();
    }
    if (!process.waitForFinished(30000))
        return -1;
    // Windows writes its line ends to a console program's output as CR LF.
    out = process.readAllStandardOutput().replace("\r\n", "\n");
    err = process.readAllStandardError().replace("\r\n", "\n");
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
}
