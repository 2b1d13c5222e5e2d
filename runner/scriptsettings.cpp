#include "scriptsettings.h"

ScriptSettings ScriptSettings::fromPayload(const QJsonObject &payload,
                                           const QProcessEnvironment &base)
{
    ScriptSettings result{QStringList(), base};
    const QJsonObject settings = payload[QLatin1String("settings")].toObject();
    // QJsonObject iterates in ascending key order, so the arguments come sorted.
    for (auto it = settings.begin(); it != settings.end(); ++it) {
        const QString value = it.value().toString();
        result.arguments << QStringLiteral("--") + it.key() << value;
        result.environment.insert(QStringLiteral("ZEB_") + it.key(), value);
    }
    return result;
}
