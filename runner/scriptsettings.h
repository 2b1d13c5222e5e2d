#pragma once

#include <QJsonObject>
#include <QProcessEnvironment>
#include <QStringList>

struct KeyEvent;

// What a script receives of its key's settings: "--key value" pairs in ascending key order, and
// one "ZEB_key" variable each on top of the plugin's own environment (a key that cannot name a
// variable, with "=" or NUL in it, gets none). A setting too large to pass (more than the system
// takes in one argument or variable, or than all settings may take together) is left out of
// both, the largest first, so that the script still starts.
struct ScriptSettings
{
    // What the scripts of a key's action say of its settings in their headers: the defaults of
    // the settings a key has no value for, and the secrets, which reach a script in its
    // variables only (a command line is any local user's to read).
    struct Declared
    {
        QJsonObject defaults;
        QStringList secrets;
        QStringList sharedSecrets; // of the settings shared by all keys
    };

    QStringList arguments;
    QProcessEnvironment environment;
    // The length of KEYSCRIPT_SETTINGS when it was too long for one variable and left out.
    qsizetype settingsLeftOut = 0;
    // The names of the settings left out, in ascending order, then KEYSCRIPT_GLOBAL_SETTINGS
    // when the shared settings were too long for one variable.
    QStringList leftOut;

    // Reads payload["settings"], with the declared defaults for what it lacks. A string passes
    // as it is, null as the empty string, any other value as its compact JSON text ("3", "true").
    static ScriptSettings fromPayload(const QJsonObject &payload, const QProcessEnvironment &base,
                                      const Declared &declared = Declared());
    // A setting's value as a script receives it.
    static QString text(const QJsonValue &value);
    // The key's settings with the declared defaults for what they lack.
    static QJsonObject withDefaults(const QJsonObject &settings, const Declared &declared);

    // The same for the event's payload, plus the KEYSCRIPT_ variables that tell the script about
    // the event: KEYSCRIPT_EVENT, _ACTION, _CONTEXT, _DEVICE, _SETTINGS (compact JSON, without
    // the settings left out), _GLOBAL_SETTINGS (the plugin's shared settings, compact JSON),
    // _STATE, _DESIRED_STATE, _COLUMN, _ROW where the payload has them as numbers, _CONTROLLER
    // where it names one, and _IN_MULTI_ACTION=1 for an event from inside a multi-action. No
    // KEYSCRIPT_ or ZEB_ variable of the plugin's own environment passes through. A JSON
    // variable is left out when it is longer than the system lets one variable be.
    static ScriptSettings forEvent(const KeyEvent &event, const QProcessEnvironment &base,
                                   const QJsonObject &shared = QJsonObject(),
                                   const Declared &declared = Declared());
};
