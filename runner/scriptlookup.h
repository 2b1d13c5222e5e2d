#pragma once

#include <QString>
#include <QStringList>

// The scripts' folder: the application directory, then "/../cmd". The ".." is kept, so the
// paths shown say where the plugin looked.
QString scriptFolder(const QString &applicationDir);
// Where an action's script would be: the scripts' folder, "/", the action UUID.
QString scriptBasePath(const QString &applicationDir, const QString &action);

// Whether an action UUID may name scripts in cmd/. The UUID comes from the host's message, so
// one that could leave the directory ("..", a separator, a NUL) names no script, and neither
// does one with "@", which parts an action from the event of its event scripts.
bool isScriptName(const QString &action);

// The suffixes tried behind a script's name, in order: ".exe", ".bat", ".cmd", ".ps1" and none
// on Windows; only none elsewhere, where no program or script for Windows can run.
const QStringList &scriptSuffixes();
// The suffix a new script is given, as a person writes one here: ".bat" on Windows, none
// elsewhere.
QString newScriptSuffix();

// The events of a key that have scripts of their own, "<action>@<event>"; a key press runs
// "<action>" itself.
const QStringList &scriptEvents();
// Whether a dial's layout names one of the host's own ($X1, $A0, $A1, $B1, $B2, $C1) or a
// layout file by a path that stays inside the plugin's folder, as the host reads it.
bool isLayoutReference(const QString &layout);

// Whether the host sends the event to the whole plugin, with no key: a deep link
// (didReceiveDeepLink), an application launched or ended (applicationDidLaunch,
// applicationDidTerminate). Each action's script of it runs once.
bool isPluginEvent(const QString &event);

// Whether the event is one of a dial's: dialRotate, dialDown, dialUp or touchTap.
bool isDialEvent(const QString &event);

// The action a script file serves: its name before any "@event", without a suffix of this
// system.
QString scriptAction(const QString &fileName);
// The event a script file serves: its name after "@", without a suffix of this system; empty
// for a press script.
QString scriptEvent(const QString &fileName);
// Whether the file is a script of the other system, which cannot run here: a Windows program,
// batch file or PowerShell script anywhere else. On Windows no file is known to be one.
bool isOtherSystemsScript(const QString &fileName);

// Why the script file at path cannot run here, in words for its author; empty when it can (as
// far as a look at the file tells): a folder, a file that is not executable, a "#!" line with a
// carriage return; on Windows a file without ".exe", ".bat", ".cmd" or ".ps1".
QString whyScriptCannotRun(const QString &path);

// Whether the file starts with "#!" and its first line ends in a carriage return: saved with
// Windows line ends, it names an interpreter that does not exist.
bool interpreterLineEndsInCarriageReturn(const QString &path);
