#pragma once

#include "pluginmanifest.h"
#include "runner/scriptheader.h"

#include <QFileInfo>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

// The system a plugin folder is made for: the host runs on Windows and macOS. A folder for
// macOS is laid out as one for Linux, where keyscript-host is tried.
enum class PluginSystem { Windows, Mac };

// Who the plugin is, as the host shows it.
struct PluginIdentity
{
    QString uuid;
    QString name;
    QString version; // four whole numbers
    QString author;
    QString description;
    QString supportUrl; // the help button above the settings page in newer hosts
};

// One action of the plugin: a key type in the host's list, served by the scripts named after it.
struct PluginAction
{
    QString uuid;
    QString name;
    QString tooltip;
    int states = 1;         // two: the scripts set the state, and the host flips nothing itself
    QStringList stateNames; // "# keyscript states: Off, On"; none when only counted
    bool userTitle = true;  // a title the user types hides the scripts' titles
    // The author's pictures beside the scripts, each a path without its extension in
    // images/actions/ of the folder, or empty for keyscript's own: the key's (ACTION.svg), each
    // state's (ACTION.0.svg, ACTION.1.svg) and the action list's icon (ACTION.icon.svg).
    QString image;
    QStringList stateImages;
    QString icon;
    QStringList imageFiles; // what is copied into images/actions/: the pictures and their @2x
    // A dial's, when a script of the action serves a dial's event: keys too when one serves a
    // key's press or release. Its strip's layout, its icon there (ACTION.dial.svg) and the
    // words for its gestures (Rotate, Push, Touch, LongTouch).
    bool dial = false;
    bool keypad = true;
    QString layout;
    QString dialIcon;
    QJsonObject triggerDescription;
    QStringList scripts; // file names in the scripts' folder, the press script first
};

// What a folder of scripts makes: its actions, found as the plugin finds scripts, what goes
// into the plugin's cmd/, and everything that stands in the way. Read once, then written by
// PluginFolder; nothing is written while errors remain.
class PluginPlan
{
public:
    // Only the author's files are read: a link is followed where its target lies inside
    // scriptsFolder, or anywhere with followLinks; outDir and plugin folders are never read.
    static PluginPlan read(const QString &scriptsFolder, const PluginIdentity &identity,
                           PluginSystem system, bool followLinks = false,
                           const QString &outDir = QString());

    // Whether text is a UUID the host accepts for a plugin or an action: reverse-DNS, lower-case
    // letters, digits and "-" between dots.
    static bool isUuid(const QString &text);

    // The manifest the host reads from the folder, with its paths to the folder's files.
    QJsonObject manifest() const;
    PluginManifest pluginManifest() const;
    // Run and Watch, whose scripts are typed on the key: keyscript's own plugin lists them, and
    // keyscript-host offers them beside an author's.
    void addTypedActions();
    QString folderName() const { return identity.uuid + QLatin1String(".sdPlugin"); }
    // The plugin's program in the folder, and the name of the program file it needs.
    QString codePath() const { return QLatin1String("bin/") + programName(); }
    QString programName() const;

    PluginIdentity identity;
    PluginSystem system = PluginSystem::Mac;
    QString scriptsFolder;
    QList<PluginAction> actions; // by UUID
    QStringList copied;          // files in the scripts' folder that go into cmd/, by path
    QStringList leftOut;         // what is not copied, each with the reason
    QStringList followed;        // links followed out of the scripts' folder: "link -> target"
    QStringList profiles;        // in profiles/, without .streamDeckProfile
    // A profile's device type, as "keyscript profile:" gave it; 0 for one none names.
    struct ProfileType
    {
        int deviceType = 0;
        QString script;
        int line = 0;
    };
    QHash<QString, ProfileType> profileTypes;
    QStringList watchedMac;     // "keyscript watch-app:" bundle identifiers, sorted, once each
    QStringList watchedWindows; // and Windows programs' names
    QStringList notes;          // worth saying, no reason to stop
    QStringList errors;         // each names the file, the line where there is one, and the rule

private:
    void readEntry(const QString &name, QHash<QString, QStringList> &otherSystem);
    // What a path in the scripts' folder is, once its link (if any) is followed as the rules
    // allow; LeftOut adds the reason to leftOut.
    enum class Entry { File, Folder, LeftOut };
    Entry classify(const QString &relative, const QFileInfo &info);
    void addFolder(const QString &relative);

    QString root;           // the scripts' folder, its links resolved
    QString excludedFolder; // the output folder, its links resolved
    bool followLinks = false;
    QStringList walking; // the folders being read, for links that lead back into them
    void addScript(const QString &fileName, const QString &stem);
    // otherSystem: the other system's scripts, by action; their headers must agree too.
    void gatherHeaders(const QHash<QString, QStringList> &otherSystem);
    // Notes an event script of a served action that the other system has and this one lacks.
    void noteOneSystemEvents(const QHash<QString, QStringList> &otherSystem);
    void findImages(PluginAction &action);
    // What a script says of the whole plugin: its profiles' device types, watched applications.
    void readPluginHeaders(const QString &script, const ScriptHeader &header);
    void orderWatchedApps();
    void readDialHeaders(PluginAction &action, const QList<ScriptHeader> &headers);
    void checkLayoutFile(const QString &file);
};
