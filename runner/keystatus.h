#pragma once

#include <QDateTime>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

// One run of a key's script, as its settings page shows it.
struct ScriptRun
{
    QDateTime started;
    QString event;  // keyDown, keyUp, willAppear, ...
    QString script; // the file
    QString ending; // "exit 0", "crashed", "ended by the plugin", "could not start: ..."
    bool failed = false;
    int exitCode = -1;   // as it exited; -1 when it crashed, was ended or never began
    qint64 ms = 0;       // how long it ran
    QString errors;      // the tail of its standard error
    QStringList ignored; // lines it printed that were no command
    QStringList leftOut; // settings too large to pass to it

    QJsonObject toJson() const;
    // A run that never began, and why.
    static ScriptRun notStarted(const QString &why);
};

// What the plugin keeps of each key for its settings page: its last runs, and whether its page
// is open. Memory stays within a fixed bound however many keys come and go and however often
// they run: a few runs a key, their texts cut, and the keys heard from last.
class KeyStatus
{
public:
    static constexpr int runsKept = 5;
    static constexpr int keysKept = 256;
    static constexpr qsizetype errorsKept = 1024;

    // Keeps run as the newest of its key's; returns whether the key's page is open, so that it
    // is told at once.
    bool record(const QString &context, ScriptRun run);
    // Newest first.
    QList<ScriptRun> runs(const QString &context) const { return kept.value(context); }

    // The host shows one page at a time; a stand-in host may watch every key of a device.
    static constexpr int pagesKept = 64;
    void pageOpened(const QString &context);
    void pageClosed(const QString &context) { open.removeOne(context); }
    bool isPageOpen(const QString &context) const { return open.contains(context); }

private:
    QHash<QString, QList<ScriptRun>> kept;
    QList<QString> heard; // the keys kept, the one heard from longest ago first
    QStringList open;     // the keys whose page is open, the one opened first first
};
