#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

// The scripts in cmd/, as last listed. The folder is listed again when its modification time
// changes, and at the next lookup when it was listed within a tick of that time (a change within
// the same tick of the file system's clock would leave the time as it was). The time is looked at
// once per turn of the event loop: the events that one turn handles all arrived before it began,
// so each of them is handled after any change made before the host sent it. So a script added,
// renamed or removed counts at the next event, while a quiet folder costs one look at its time
// per burst of events. What a file holds, or whether it may run, is not part of the listing:
// both count at the next start anyway.
class ScriptDirectory
{
public:
    // path is the folder, as it is to appear in the paths found.
    explicit ScriptDirectory(QString path);
    ScriptDirectory(const ScriptDirectory &) = delete;
    ScriptDirectory &operator=(const ScriptDirectory &) = delete;

    // The script named name (an action, or "<action>@<event>"): the first regular file behind
    // it with one of scriptSuffixes(); empty when there is none.
    QString find(const QString &name);
    // Whether any script of the action is there: a quick answer for the many events of actions
    // that have none.
    bool hasScripts(const QString &action);
    // The script named name as it is on disk now, whatever the listing says: for a lookup the
    // listing may have missed (a script written or renamed into place within this turn of the
    // event loop, a link whose target came later, which leaves the folder's time as it was).
    // What it finds that the listing lacks makes the next lookup list again.
    QString findOnDisk(const QString &name);
    // The actions with a script of the event, named as their files are.
    QStringList actionsWith(const QString &event);
    // Whether two actions name the same scripts: on Windows whatever their letter case.
    static bool sameAction(const QString &a, const QString &b) { return fileKey(a) == fileKey(b); }
    // Where a script of that name would be, before its suffix.
    QString basePath(const QString &name) const { return path + QLatin1Char('/') + name; }

private:
    void list();
    void refresh();
    void reportUnknownEvent(const QString &file);

    // The folder's modification time in nanoseconds since the epoch; -1 without a folder.
    static qint64 modificationTime(const QString &path);
    // A file name as the file system compares it: Windows knows no letter case.
    static QString fileKey(const QString &name);

    QString path;
    qint64 listedTime = -2; // the folder's time when it was listed; never a real one at first
    qint64 listedAt = 0;    // when it was listed, in nanoseconds since the epoch
    QSet<QString> files;    // the regular files, by fileKey
    QSet<QString> actions;  // the actions they serve, by fileKey
    QHash<QString, QStringList> eventActions; // by the event's fileKey, as the files name them
    QSet<QString> reported;                   // files whose event is no event, said once
    QTimer nextTurn;     // runs when the event loop turns: look at the time again then
    bool looked = false; // at the time, in this turn
};
