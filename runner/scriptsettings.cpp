#include "scriptsettings.h"

#include "keyevent.h"

#include "connection/compactjson.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <functional>
#include <utility>

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

#ifdef Q_OS_WIN
// A command line holds at most 32767 characters, the program and every quote included; the
// environment is not part of it.
constexpr qsizetype settingsBudget = 30000;
qsizetype argumentCost(const QString &text)
{
    return text.size() + 3; // its quotes and the space before it
}
bool fitsOneArgument(const QString &text)
{
    return argumentCost(text) <= settingsBudget;
}
qsizetype variableCost(const QString &, const QString &)
{
    return 0;
}
#else
// Arguments and environment share one bound: a quarter of the stack limit on Linux (2 MiB of
// the usual 8), 1 MiB on macOS. The settings take at most this of it, their JSON copy and the
// plugin's own environment the rest. Linux refuses any one string over 32 pages.
constexpr qsizetype settingsBudget = 384 * 1024;
qsizetype argumentCost(const QString &text)
{
    return text.toUtf8().size() + 1 + qsizetype(sizeof(char *));
}
bool fitsOneArgument(const QString &text)
{
    return text.toUtf8().size() + 1 <= 32 * 4096;
}
qsizetype variableCost(const QString &key, const QString &value)
{
    return argumentCost(QStringLiteral("ZEB_") + key + QLatin1Char('=') + value);
}
#endif

// The names of the settings that cannot be passed: each that is too large by itself, then the
// largest of the others until the rest fit together.
QStringList tooLargeToPass(const QJsonObject &settings, const QStringList &secrets)
{
    QList<std::pair<qsizetype, QString>> costs;
    qsizetype total = 0;
    QStringList tooLarge;
    for (auto it = settings.begin(); it != settings.end(); ++it) {
        const QString value = ScriptSettings::text(it.value());
        const QString option = QStringLiteral("--") + it.key();
        const bool argument = !secrets.contains(it.key());
        if ((argument && (!fitsOneArgument(option) || !fitsOneArgument(value))) ||
            (canNameVariable(it.key()) &&
             !fitsOneVariable(QStringLiteral("ZEB_") + it.key(), value))) {
            tooLarge << it.key();
            continue;
        }
        const qsizetype cost = (argument ? argumentCost(option) + argumentCost(value) : 0) +
                               (canNameVariable(it.key()) ? variableCost(it.key(), value) : 0);
        costs.append({cost, it.key()});
        total += cost;
    }
    std::sort(costs.begin(), costs.end(), std::greater<>());
    for (qsizetype i = 0; i < costs.size() && total > settingsBudget; ++i) {
        total -= costs.at(i).first;
        tooLarge << costs.at(i).second;
    }
    tooLarge.sort();
    return tooLarge;
}

} // namespace

QString ScriptSettings::text(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        return QString();
    default: // a number, a boolean, an array or an object: as it stands in the key's JSON
        const QString json = compactJson(QJsonObject{{QStringLiteral("v"), value}});
        return json.mid(5, json.size() - 6); // {"v":...}
    }
}

QJsonObject ScriptSettings::withDefaults(const QJsonObject &settings, const Declared &declared)
{
    QJsonObject result = settings;
    for (auto it = declared.defaults.begin(); it != declared.defaults.end(); ++it) {
        if (!result.contains(it.key()))
            result.insert(it.key(), it.value());
    }
    return result;
}

ScriptSettings ScriptSettings::fromPayload(const QJsonObject &payload,
                                           const QProcessEnvironment &base,
                                           const Declared &declared)
{
    ScriptSettings result{QStringList(), base, 0, QStringList()};
    QJsonObject settings = withDefaults(payload[QLatin1String("settings")].toObject(), declared);
    result.leftOut = tooLargeToPass(settings, declared.secrets);
    for (const QString &key : std::as_const(result.leftOut))
        settings.remove(key);
    // QJsonObject iterates in ascending key order, so the arguments come sorted.
    for (auto it = settings.begin(); it != settings.end(); ++it) {
        const QString value = text(it.value());
        if (!declared.secrets.contains(it.key()))
            result.arguments << QStringLiteral("--") + it.key() << value;
        if (canNameVariable(it.key()))
            result.environment.insert(QStringLiteral("ZEB_") + it.key(), value);
    }
    return result;
}

ScriptSettings ScriptSettings::forEvent(const KeyEvent &event, const QProcessEnvironment &base,
                                        const QJsonObject &shared, const Declared &declared)
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
    ScriptSettings result = fromPayload(event.payload, clean, declared);
    QProcessEnvironment &environment = result.environment;
    environment.insert(prefix + QLatin1String("EVENT"), event.event);
    environment.insert(prefix + QLatin1String("ACTION"), event.action);
    environment.insert(prefix + QLatin1String("CONTEXT"), event.context);
    environment.insert(prefix + QLatin1String("DEVICE"), event.device);
    QJsonObject settings =
        withDefaults(event.payload[QLatin1String("settings")].toObject(), declared);
    for (const QString &key : std::as_const(result.leftOut))
        settings.remove(key);
    // The settings reach the script as arguments and ZEB_ variables anyway: rather than make
    // the start fail, a copy too large for one variable is left out.
    const QString name = prefix + QLatin1String("SETTINGS");
    const QString json = QString::fromUtf8(QJsonDocument(settings).toJson(QJsonDocument::Compact));
    if (fitsOneVariable(name, json))
        environment.insert(name, json);
    else
        result.settingsLeftOut = json.size();
    const QString sharedName = prefix + QLatin1String("GLOBAL_SETTINGS");
    const QString sharedJson =
        QString::fromUtf8(QJsonDocument(shared).toJson(QJsonDocument::Compact));
    if (fitsOneVariable(sharedName, sharedJson))
        environment.insert(sharedName, sharedJson);
    else
        result.leftOut
            << sharedName; // named with the settings left out, on the page and in the log
    insertInteger(environment, prefix + QLatin1String("STATE"),
                  event.payload[QLatin1String("state")]);
    insertInteger(environment, prefix + QLatin1String("DESIRED_STATE"),
                  event.payload[QLatin1String("userDesiredState")]);
    if (event.payload[QLatin1String("isInMultiAction")].toBool())
        environment.insert(prefix + QLatin1String("IN_MULTI_ACTION"), QStringLiteral("1"));
    const QString controller = event.payload[QLatin1String("controller")].toString();
    if (!controller.isEmpty())
        environment.insert(prefix + QLatin1String("CONTROLLER"), controller);
    // A dial's events: how far it turned (a fast turn gives more ticks at once; negative is
    // counter-clockwise) and whether it was held down meanwhile, or where the strip was touched.
    insertInteger(environment, prefix + QLatin1String("TICKS"),
                  event.payload[QLatin1String("ticks")]);
    if (event.event == QLatin1String("dialRotate"))
        environment.insert(prefix + QLatin1String("PRESSED"),
                           event.payload[QLatin1String("pressed")].toBool() ? QStringLiteral("1")
                                                                            : QStringLiteral("0"));
    if (event.event == QLatin1String("touchTap")) {
        const QJsonArray at = event.payload[QLatin1String("tapPos")].toArray();
        insertInteger(environment, prefix + QLatin1String("TAP_X"), at.at(0));
        insertInteger(environment, prefix + QLatin1String("TAP_Y"), at.at(1));
        environment.insert(prefix + QLatin1String("HOLD"),
                           event.payload[QLatin1String("hold")].toBool() ? QStringLiteral("1")
                                                                         : QStringLiteral("0"));
    }
    const QJsonObject coordinates = event.payload[QLatin1String("coordinates")].toObject();
    insertInteger(environment, prefix + QLatin1String("COLUMN"),
                  coordinates[QLatin1String("column")]);
    insertInteger(environment, prefix + QLatin1String("ROW"), coordinates[QLatin1String("row")]);
    return result;
}
