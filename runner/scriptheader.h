#pragma once

#include "declaredsetting.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// What an author says about an action in header lines near the top of one of its scripts,
// written as a comment of any script language, one form for all:
//     # keyscript name: Mute microphone
//     REM keyscript tooltip: Mutes the default microphone
//     // keyscript states: 2
//     # keyscript user-title: off
//     # keyscript on-failure: alert
//     # keyscript every: 5s
//     # keyscript setting: url "Address to open"
//     # keyscript shared-setting: token secret "API token"
//     # keyscript layout: $B1
//     # keyscript rotate: Volume
//     # keyscript profile: Work 7
//     # keyscript watch-app: com.apple.mail
//     # keyscript watch-app: notepad.exe
struct ScriptHeader
{
    // A field the author gave, and the line of the script it came from (counted from 1).
    struct Field
    {
        QString value;
        int line = 0;
    };
    Field name;
    Field tooltip;
    Field states;    // "1" or "2", or the states' names: "Off, On"
    Field userTitle; // "on" or "off": whether a title the user types hides the scripts' own
    Field onFailure; // "alert": the host's alert on the key after a run that failed
    Field onSuccess; // "ok": the host's check mark on the key after a run that exited 0
    Field every;     // "5s", "500ms", "1m": an appear script runs again that often
    Field shell;     // "pwsh" or "powershell": which PowerShell runs a .ps1 script
    // A dial's: its part of the touch strip ($B1 or a layout file beside the scripts), and the
    // words the host shows for its gestures.
    Field layout;
    Field rotate;
    Field push;
    Field touch;
    Field longTouch;
    QList<DeclaredSetting> settings; // "keyscript setting:", which may come many times
    // "keyscript shared-setting:": a setting shared by all keys (KEYSCRIPT_GLOBAL_SETTINGS)
    // that the script uses, named on the page's shared part; one declared secret is shown as
    // dots wherever the plugin and its tools show what a script sets.
    QList<DeclaredSetting> sharedSettings;
    // "keyscript profile: NAME DEVICE-TYPE": a profile in profiles/ and the host's number for
    // the type of device it is made for; each value "NAME TYPE", checked.
    QList<Field> profiles;
    // "keyscript watch-app:": an application whose start and end the host tells the plugin of,
    // by macOS bundle identifier (com.apple.mail) or Windows program name (notepad.exe).
    QList<Field> watchApps;

    // Problems, each "line N: what is wrong"; the fields hold what could be read.
    QStringList errors;

    // The milliseconds of an "every:" value: a whole number with ms, s or m after it, at least
    // minimumIntervalMs; -1 for anything else.
    static constexpr int minimumIntervalMs = 250;
    static qint64 intervalMs(const QString &value);

    // The states' names of a "states:" value, such as "Off, On"; none for "1" or "2".
    static QStringList stateNames(const QString &value);
    // The longest name and tooltip the host shows; longer ones are refused, never cut.
    static constexpr int longestName = 64;
    static constexpr int longestTooltip = 256;

    // The host's numbers for the types of device a profile is made for: 0 to highestDeviceType.
    static constexpr int highestDeviceType = 13;
    // The profile's name and device type of a checked "profile:" value.
    static QString profileName(const QString &value);
    static int profileDeviceType(const QString &value);
    // Whether a "watch-app:" value names a macOS application (else a Windows program).
    static bool isMacApp(const QString &value);

    // How many lines from the top are read: a header sits above the script's work.
    static constexpr int linesRead = 20;

    // Reads the header lines from the start of a script. A comment line whose first word is
    // "keyscript" followed by a field name, or by any word and a colon, is a header line, and
    // one that cannot be read is an error rather than passing unnoticed.
    static ScriptHeader read(const QByteArray &start);
};
