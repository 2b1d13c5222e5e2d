#pragma once

#include "pluginplan.h"

#include <QString>

// One of keyscript's own installer files (a zip of its plugin folder): the system it is for, and
// its programs, the plugin folder's bin/, written out where a plugin of an author's is made from.
class InstallerFile
{
public:
    // Writes the file's bin/ into the folder into and says in *system which system it is for.
    // The reason on failure: no such file, no installer file of keyscript's, one for Linux.
    static QString unpackPrograms(const QString &file, const QString &into, PluginSystem *system);

    // While watched, Ctrl+C and SIGTERM (on Windows the console's Ctrl+C, Ctrl+Break and close)
    // only ask unpackPrograms to stop at its next entry, so that what it wrote is removed with
    // its temporary folder; interrupted() then says so.
    static void watchInterrupts(bool watch);
    static bool interrupted();

private:
    // A link in the file, made where its target is inside bin/: a link on Linux and macOS, a
    // copy of what it leads to on Windows.
    static bool placeLink(const QString &target, const QString &at);
};
