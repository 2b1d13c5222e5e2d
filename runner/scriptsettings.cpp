#include "scriptsettings.h"

namespace {

// A variable name cannot hold "=" (the environment block reads "name=value", so "ZEB_a=" would
// set another setting's variable) nor NUL (which ends the entry).
bool canNameVariable(const QString &key)
{
    return !key.contains(QLatin1Char('=')) && !key.contains(QChar(0));
}

} // namespace

ScriptSettings ScriptSettings::fromPayload(const QJsonObject &payload,
                                           const QProcessEnvironment &base)
{
    ScriptSettings result{QStringList(), base};
    const QJsonObject settings = payload[QLatin1String("settings")].toObject();
    // QJsonObject iterates in ascending key order, so the arguments come sorted.
    for (auto it = settings.begin(); it != settings.end(); ++it) {
        const QString value = it.value().toString();
        result.arguments << QStringLiteral("--") + it.key() << value;
        if (canNameVariable(it.key()))
            result.environment.insert(QStringLiteral("ZEB_") + it.key(), value);
    }
    return result;
}
