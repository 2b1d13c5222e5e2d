#include "childprocesses.h"

#include <QDir>
#include <QFile>

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
