#pragma once

#include <QtGlobal>

// What outlives a plugin that is killed outright. The kernel ends a script whose plugin dies
// (on Linux), but not what the script started, in the script's process group; and nobody is
// left to hang those up. So a small watcher process, forked from the plugin before its first
// script, holds the read end of a pipe whose write end only the plugin has, and learns each
// running script's group through it. It is no child of the plugin's (it is forked twice). When the
// pipe ends (the plugin has gone, however) it does what the plugin's orderly end does: it ends each
// script that still ran and hangs up its group. A group is forgotten once its script has ended. On
// Windows the plugin's job does all this.
class GroupWatch
{
public:
    // A script's process group, from its start to its end.
    static void add(qint64 group);
    static void remove(qint64 group);
};
