#pragma once

#include <QJsonObject>
#include <QProcessEnvironment>
#include <QStringList>

// What a script receives of its key's settings: "--key value" pairs in ascending key order, and
// one "ZEB_key" variable each on top of the plugin's own environment (a key that cannot name a
// variable, with "=" or NUL in it, gets none).
struct ScriptSettings
{
    QStringList arguments;
    QProcessEnvironment environment;

    // Reads payload["settings"]; only string values pass, any other value is the empty string.
    static ScriptSettings fromPayload(const QJsonObject &payload, const QProcessEnvironment &base);
};
