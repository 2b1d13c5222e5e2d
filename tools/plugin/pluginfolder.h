#pragma once

#include "pluginplan.h"

#include <QString>

// Writes the folder the host loads, <uuid>.sdPlugin: bin/ with keyscript's program files,
// cmd/ with copies of the scripts, images/, and manifest.json. The folder is made complete
// beside its final place and only then takes it, so a folder that is there stays whole when
// anything fails, and no half-made folder is left behind.
class PluginFolder
{
public:
    // Makes outDir/<uuid>.sdPlugin from plan, with the program files of programDir. Returns
    // the reason when it could not; the old folder is then as it was. With linkScripts, cmd/
    // is a link to the scripts' folder (a junction on Windows) instead of copies.
    static QString make(const PluginPlan &plan, const QString &programDir, const QString &outDir,
                        bool linkScripts = false);

    // The host's plugins folder for this user; empty where the host does not run.
    static QString hostPluginsFolder();
    // The lock a run holds while it makes outDir/<uuid>.sdPlugin, so that two runs at once
    // never make one folder together.
    static QString lockPath(const QString &outDir, const QString &folderName);

private:
    static QString writeInto(const PluginPlan &plan, const QString &programDir,
                             const QString &folder, bool linkScripts);
    static QString replace(const QString &made, const QString &target);
    static bool copyTree(const QString &from, const QString &to, QString &error);
    static bool copyFile(const QString &from, const QString &to, QString &error);
    // Removes a file, link or folder; true when nothing is left at path. A plugin folder's
    // linked cmd/ goes as a link: what it leads to is the author's.
    static bool removeEntry(const QString &path);

    // A folder link: a symbolic link, or on Windows a junction, which any user may make.
    static bool linkFolder(const QString &target, const QString &link);
    static bool isFolderLink(const QString &path);
    static bool removeFolderLink(const QString &path);
};
