#pragma once

#include <QJsonObject>
#include <QProcessEnvironment>
#include <QStringList>

struct KeyEvent;

// What a script receives of its key's settings: "--key value" pairs in ascending key order, and
// one "ZEB_key" variable each on top of the plugin's own environment (a key that cannot name a
// variable, with "=" or NUL in it, gets none).
struct ScriptSettings
{
    QStringList arguments;
    QProcessEnvironment environment;
    // The length of KEYSCRIPT_SETTINGS when it was too long for one variable and left out.
    qsizetype settingsLeftOut = 0;

    // Reads payload["settings"]; only string values pass, any other value is the empty string.
    static ScriptSettings fromPayload(const QJsonObject &payload, const QProcessEnvironment &base);

    // The same for the event's payload, plus the KEYSCRIPT_ variables that tell the script about
    // the event: KEYSCRIPT_EVENT, _ACTION, _CONTEXT, _DEVICE, _SETTINGS (compact JSON), and
    // _STATE, _COLUMN, _ROW where the payload has them as numbers. No KEYSCRIPT_ or ZEB_
    // variable of the plugin's own environment passes through. _SETTINGS is left out when it
    // is longer than the system lets one variable be.
    static ScriptSettings forEvent(const KeyEvent &event, const QProcessEnvironment &base);
};
