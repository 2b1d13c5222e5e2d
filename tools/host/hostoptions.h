#pragma once

#include "eventtext.h"
#include "hostdevice.h"
#include "shorthand.h"

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// What keyscript-host was asked to do, read from its command line.
struct HostOptions
{
    QString plugin; // the plugin executable to start
    QString uuid;   // -pluginUUID handed to the plugin
    QString registerEvent = QStringLiteral("registerPlugin");
    QString info;             // -info handed to the plugin
    bool infoGiven = false;   // by --info: else the session puts in the manifest's UUID
    HostDevice device;        // the one played: the deck's, or one of the standard size
    HostDevice changedDevice; // as the device-change events asked for leave it
    struct Delayed
    {
        int afterMs;
        QString event;
    };
    // One round of the events asked for: JSON texts to send once the plugin has registered, in
    // order ("wait MS" between them pauses), and those sent that long after the round began
    // (the end of appear --for).
    struct Round
    {
        QStringList events;
        QList<Delayed> delayed;
    };
    Round first;
    Round repeated;               // every later round of --repeat; they are all alike
    int repeats = 0;              // how many of them
    QSet<QString> pressedActions; // the actions pressed among them
    QString saveImagesDir;        // where to write the images the plugin sends; none when empty
    QString keepFile;             // where the keys are kept across runs; none when empty
    QString cmdDir;               // the scripts' folder, when not the plugin's cmd/
    bool deck = false;            // serve the live deck instead of sending events
    int deckColumns = 5;
    int deckRows = 3;
    int deckDials = 0;     // dials under the keys, with the touch strip above them
    bool openDeck = false; // in the desktop's browser
    bool log = false;      // show the plugin's log lines
    bool interactive = false;
    bool json = false;
    bool verbose = false;
    bool strict = false; // a script that fails makes the exit code ScriptFailed
    bool help = false;
    int quietMs = 500;
    int timeoutMs = 10000;
    bool timeoutGiven = false; // only a given --timeout bounds an interactive session
    // The key of each action that was given no --context, key-1, key-2, ... in the order the
    // actions first came; kept for the whole session.
    QHash<QString, QString> keyOfAction;

    // Reads the arguments after the program name. On a usage error returns options with
    // error set to a one-line message naming the problem. Events without a context go to the
    // key of their action in keys, or to a new key-N. A line of interactive input goes on with
    // the device the session plays (played).
    static HostOptions parse(const QStringList &arguments, const QString &defaultPlugin,
                             const QHash<QString, QString> &keys = {},
                             const HostDevice *played = nullptr);
    QString error;

    static QString usage();
    static QString interactiveHelp();
};
