#include "childprocesses.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <csignal>
#include <unistd.h>
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

#ifdef Q_OS_MACOS
#include <libproc.h>
#endif

bool hasRunningChildren(qint64 pid)
{
    if (pid <= 0)
        return false;
#ifdef Q_OS_MACOS
    pid_t children[1];
    return proc_listchildpids(pid_t(pid), children, sizeof children) > 0;
#else
    // Linux lists each thread's children; a child that has ended but is not reaped yet is gone.
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    const QStringList threads = tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &thread : threads) {
        QFile file(tasks.filePath(thread + QStringLiteral("/children")));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> children = file.readAll().simplified().split(' ');
        for (const QByteArray &child : children) {
            QFile stat(QStringLiteral("/proc/%1/stat").arg(QString::fromLatin1(child)));
            if (child.isEmpty() || !stat.open(QIODevice::ReadOnly))
                continue;
            const QByteArray fields = stat.readAll();
            const qsizetype state = fields.lastIndexOf(')') + 2;
            if (state > 1 && state < fields.size() && fields.at(state) != 'Z')
                return true;
        }
    }
    return false;
#endif
}

void endsWithThisProcess(QProcess &process)
{
#ifdef Q_OS_LINUX
    // Asked to end (SIGTERM) as this process goes, so the plugin ends its scripts too; a parent
    // that went before the request was made is noticed at once.
    const pid_t parent = getpid();
    process.setChildProcessModifier([parent] {
        // Until exec, the child still has this process's handler, which only tells this
        // process's event loop: a death signal that came now would be taken by it and lost, and
        // the plugin would outlive us for good. The default ends the child instead.
        struct sigaction byDefault = {};
        byDefault.sa_handler = SIG_DFL;
        sigaction(SIGTERM, &byDefault, nullptr);
        sigset_t terminate;
        sigemptyset(&terminate);
        sigaddset(&terminate, SIGTERM);
        sigprocmask(SIG_UNBLOCK, &terminate, nullptr);
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            raise(SIGTERM);
    });
#else
    Q_UNUSED(process) // macOS has no death signal: a plugin left behind ends with its host
#endif
}

void tieToThisProcess(QProcess &) {}
