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

// The longest "NAME=value" a script can be started with. Linux refuses any one string of the
// environment over 32 pages, its terminating NUL included; Windows holds at most 32767
// characters in a variable.
bool fitsOneVariable(const QString &name, const QString &value)
{
#ifdef Q_OS_WIN
    return name.size() + 1 + value.size() <= 32767;
#else
    return name.toUtf8().size() + 1 + value.toUtf8().size() + 1 <= 32 * 4096;
#endif
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
    // What the plugin inherited under our prefixes would pass for settings the key does not
    // have, or for facts about the event. Windows' names know no case.
    QProcessEnvironment clean = base;
    const QString prefix = QStringLiteral("KEYSCRIPT_");
    const QStringList names = base.keys();
    for (const QString &name : names) {
        if (name.startsWith(prefix, Qt::CaseInsensitive) ||
            name.startsWith(QLatin1String("ZEB_"), Qt::CaseInsensitive))
            clean.remove(name);
    }
    ScriptSettings result = fromPayload(event.payload, clean);
    QProcessEnvironment &environment = result.environment;
    environment.insert(prefix + QLatin1String("EVENT"), event.event);
    environment.insert(prefix + QLatin1String("ACTION"), event.action);
    environment.insert(prefix + QLatin1String("CONTEXT"), event.context);
    environment.insert(prefix + QLatin1String("DEVICE"), event.device);
    const QJsonObject settings = event.payload[QLatin1String("settings")].toObject();
    // The settings reach the script as arguments and ZEB_ variables anyway: rather than make
    // the start fail, a copy too large for one variable is left out.
    const QString name = prefix + QLatin1String("SETTINGS");
    const QString json = QString::fromUtf8(QJsonDocument(settings).toJson(QJsonDocument::Compact));
    if (fitsOneVariable(name, json))
        environment.insert(name, json);
    else
        result.settingsLeftOut = json.size();
    insertInteger(environment, prefix + QLatin1String("STATE"),
                  event.payload[QLatin1String("state")]);
    const QJsonObject coordinates = event.payload[QLatin1String("coordinates")].toObject();
    insertInteger(environment, prefix + QLatin1String("COLUMN"),
                  coordinates[QLatin1String("column")]);
    insertInteger(environment, prefix + QLatin1String("ROW"), coordinates[QLatin1String("row")]);
    return result;
}
