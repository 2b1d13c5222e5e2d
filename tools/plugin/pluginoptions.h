#pragma once

#include "pluginplan.h"

#include <QString>
#include <QStringList>

// What "keyscript-host plugin" was asked to make, read from its command line.
struct PluginOptions
{
    QString scriptsFolder;
    PluginIdentity identity;
    PluginSystem system = defaultSystem();
    QString fromFile; // keyscript's installer file whose programs go into the plugin
    QString outDir;   // where the folder is made; the host's plugins folder with --install
    bool install = false;
    bool link = false;        // cmd/ leads to the scripts' folder instead of holding copies
    bool pack = false;        // the host's installer file is written beside the folder
    bool followLinks = false; // links out of the scripts' folder are copied too
    bool dropActions = false; // actions of the plugin made before may go
    bool systemGiven = false; // --for was given
    bool help = false;
    QString error; // a usage error, in one line

    // Reads the arguments after "plugin"; scripts are taken from defaultScripts unless --cmd
    // says otherwise.
    static PluginOptions parse(const QStringList &arguments, const QString &defaultScripts);
    static QString usage();
    // keyscript's own plugin: what the options are when none are given.
    static PluginIdentity keyscriptIdentity();
    static PluginSystem defaultSystem();
    // Whether the host runs on the system this keyscript-host runs on, so that this folder's
    // keyscript is that system's program: not on Linux, where plugins are made for trying.
    static bool hostRunsHere();
};
