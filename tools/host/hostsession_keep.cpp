// HostSession: the keys kept in --keep FILE across runs, one run at a time.
#include "hostsession.h"

#include <cstdio>

bool HostSession::loadKeys()
{
    if (keysLoaded)
        return true;
    if (!options.keepFile.isEmpty()) {
        // One run at a time keeps its keys in a file: two would lose each other's changes.
        keepLock = std::make_unique<QLockFile>(options.keepFile + QLatin1String(".lock"));
        keepLock->setStaleLockTime(0); // a lock whose run has gone is taken over
        if (!keepLock->tryLock(0)) {
            qint64 pid = 0;
            QString host, application;
            keepLock->getLockInfo(&pid, &host, &application);
            fail(UsageError, QStringLiteral("--keep %1 is in use by another keyscript-host run "
                                            "(process %2); give each run a file of its own")
                                 .arg(options.keepFile)
                                 .arg(pid));
            return false;
        }
    }
    if (QString error; !options.keepFile.isEmpty() && !keys.load(options.keepFile, &error)) {
        fail(UsageError, QStringLiteral("cannot read --keep %1: %2").arg(options.keepFile, error));
        return false;
    }
    keysLoaded = true; // only keys that were read are written back
    return true;
}

void HostSession::keepKeys()
{
    keepTimer.stop();
    QString error, note;
    if (!keysLoaded || options.keepFile.isEmpty())
        return;
    if (!keys.save(options.keepFile, &error, &note))
        fprintf(stderr, "keyscript-host: cannot write --keep %s: %s\n",
                qPrintable(options.keepFile), qPrintable(error));
    else if (!note.isEmpty() && note != keepNote)
        fprintf(stderr, "keyscript-host: --keep %s: %s\n", qPrintable(options.keepFile),
                qPrintable(note));
    keepNote = note;
}

void HostSession::keepSoon()
{
    // Gathered: a key that changes many times a second is written once a second at most, and
    // a run that is killed keeps what it had a second before.
    if (keysLoaded && !options.keepFile.isEmpty() && !keepTimer.isActive())
        keepTimer.start(1000);
}
