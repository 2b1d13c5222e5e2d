#include "scriptsettings.h"

#include "keyevent.h"

#include <QJsonDocument>

namespace {

// A variable name cannot hold "=" (the environment block reads "name=value", so "ZEB_a=" would
// set another setting's variable) nor NUL (which ends the entry).
bool canNameVariable(const QString &key)
{
    return !key.contains(QLatin1Char('=')) && !key.contains(QChar(0));
}

// A number as a decimal integer; none for what is not a number or out of range.
void insertInteger(QProcessEnvironment &environment, const QString &name, const QJsonValue &value)
{
    if (!value.isDouble())
        return;
    const double number = value.toDouble();
    if (number > -9.0e15 && number < 9.0e15)
        environment.insert(name, QString::number(qint64(number)));
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

ScriptSettings ScriptSettings::forEvent(const KeyEvent &event, const QProcessEnvironment &base)
{
    QProcessEnvironment clean = base;
    const QString prefix = QStringLiteral("KEYSCRIPT_");
    const QStringList names = base.keys();
    for (const QString &name : names) {
        if (name.startsWith(prefix, Qt::CaseInsensitive)) // Windows' names know no case
            clean.remove(name);
    }
    ScriptSettings result = fromPayload(event.payload, clean);
    QProcessEnvironment &environment = result.environment;
    environment.insert(prefix + QLatin1String("EVENT"), event.event);
    environment.insert(prefix + QLatin1String("ACTION"), event.action);
    environment.insert(prefix + QLatin1String("CONTEXT"), event.context);
    environment.insert(prefix + QLatin1String("DEVICE"), event.device);
    const QJsonObject settings = event.payload[QLatin1String("settings")].toObject();
    environment.insert(prefix + QLatin1String("SETTINGS"),
                       QString::fromUtf8(QJsonDocument(settings).toJson(QJsonDocument::Compact)));
    insertInteger(environment, prefix + QLatin1String("STATE"),
                  event.payload[QLatin1String("state")]);
    const QJsonObject coordinates = event.payload[QLatin1String("coordinates")].toObject();
    insertInteger(environment, prefix + QLatin1String("COLUMN"),
                  coordinates[QLatin1String("column")]);
    insertInteger(environment, prefix + QLatin1String("ROW"), coordinates[QLatin1String("row")]);
    return result;
}
