#pragma once

#include <QSet>
#include <QString>

// The scripts in cmd/, as last listed. The folder is listed again when its modification time
// changes, and at every lookup while that time is recent (a change within the same tick of the
// file system's clock leaves it as it was), so a script added, renamed or removed counts at the
// next event, while a quiet folder costs one look at its time per event. What a file holds, or
// whether it may run, is not part of the listing: both count at the next start anyway.
class ScriptDirectory
{
public:
    // path is the folder, as it is to appear in the paths found.
    explicit ScriptDirectory(QString path);

    // The script named name (an action, or "<action>@<event>"): the first regular file behind
    // it with one of scriptSuffixes(); empty when there is none.
    QString find(const QString &name);

private:
    void list();
    void reportUnknownEvent(const QString &file);

    // The folder's modification time in nanoseconds since the epoch; -1 without a folder.
    static qint64 modificationTime(const QString &path);
    // A file name as the file system compares it: Windows knows no letter case.
    static QString fileKey(const QString &name);

    QString path;
    qint64 listedTime = -2; // the folder's time when it was listed; never a real one at first
    QSet<QString> files;    // the regular files, by fileKey
    QSet<QString> reported; // files whose event is no event, said once
};
