#pragma once

#include "keyevent.h"
#include "secretmask.h"

#include <QLatin1String>
#include <QString>

class QStreamDeckPlugin;
struct ScriptLine;

// The commands a script prints, one a line: the line's first word names the command, the rest
// is its argument. Each sends the host one command for the key the script speaks for.
namespace ScriptCommands {

// Where a command goes: the host, the key, and what the log keeps to itself.
struct Target
{
    QStreamDeckPlugin &deck;
    const KeyEvent &key;
    const QString &scriptDir; // image files are found from there
    const SecretMask::Secrets &secrets;
    int state = -1; // of "setTitle@N" and "setImage@N": the one state they are for
};

struct Command
{
    QLatin1String word;
    void (*call)(const Target &, const ScriptLine &);
    // Why a cut line is dropped, for a command whose argument would be broken if cut; none
    // where the start of the argument is worth sending.
    const char *whenCut = nullptr;
    // Whether it draws on or stores for a key; the others (openUrl, logMessage,
    // setGlobalSettings) are the plugin's own and go once, whatever keys the script speaks for.
    bool forKey = true;
};

// The command that word names, matched exactly and case-sensitively; nullptr for none.
// "setTitle@N" and "setImage@N" name setTitle and setImage for state N alone, which *state
// then holds: 0 or 1, or -2 for any other N, which the host has no state for. A title a script
// shows today never starts with either word, so neither form can be taken for one.
const Command *find(const QString &word, int *state);

} // namespace ScriptCommands
