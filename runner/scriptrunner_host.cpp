// ScriptRunner: the host's events that no one key has: a deep link, an application launched or
// ended, a device changed, the computer awake again.
#include "scriptrunner.h"

#include "connection/compactjson.h"
#include "connection/qstreamdeckplugin.h"
#include "scriptlookup.h"
#include "scriptoutput.h"

#include <QDebug>

#include <algorithm>

void ScriptRunner::onHostEvent(const QString &event, const QJsonObject &message)
{
    if (event == QLatin1String("didReceiveDeepLink")) {
        runPluginEvent(event, message.value(QLatin1String("payload")).toObject());
    } else if (event == QLatin1String("deviceDidChange")) {
        // The keys of that device hear its new name, size or type.
        const QString device = message.value(QLatin1String("device")).toString();
        const QJsonObject info = message.value(QLatin1String("deviceInfo")).toObject();
        for (const KeyEvent &key : std::as_const(visible)) {
            if (key.device == device)
                tellAppearScript(KeyEvent{event, key.action, key.context, key.device, info});
        }
    } else if (event == QLatin1String("didReceiveResources")) {
        // No script reads or stores the host's resources yet: a live key hears of them.
        const QString context = message.value(QLatin1String("context")).toString();
        const auto key = visible.constFind(context);
        if (key != visible.cend())
            tellAppearScript(KeyEvent{event, key->action, context, key->device,
                                      message.value(QLatin1String("payload")).toObject()});
    }
}

void ScriptRunner::onApplicationEvent(const QString &event, QJsonObject &payload)
{
    runPluginEvent(event, payload);
}

void ScriptRunner::onSystemDidWakeUp()
{
    // The host sends every visible key's willAppear again by itself; a live script that keeps
    // a connection open hears that it may have been lost.
    for (const KeyEvent &key : std::as_const(visible))
        tellAppearScript(KeyEvent{QStringLiteral("systemDidWakeUp"), key.action, key.context,
                                  key.device, QJsonObject()});
}

void ScriptRunner::runPluginEvent(const QString &event, const QJsonObject &payload)
{
    for (const KeyEvent &key : std::as_const(visible))
        tellAppearScript(KeyEvent{event, key.action, key.context, key.device, payload});
    if (ScriptOutput::hostIsGone(streamDeck))
        return;
    // Each action's script, once: it has no key of its own, and speaks for the action's keys.
    const QStringList actions = scripts.actionsWith(event);
    for (const QString &action : actions) {
        if (isScriptName(action))
            handle(KeyEvent{event, action, QString(), QString(), payload});
    }
}

QList<KeyEvent> ScriptRunner::visibleKeysOf(const QString &action) const
{
    QList<KeyEvent> keys;
    for (const KeyEvent &key : std::as_const(visible)) {
        if (ScriptDirectory::sameAction(key.action, action))
            keys << key;
    }
    // In one order from run to run, whatever the hash's.
    std::sort(keys.begin(), keys.end(),
              [](const KeyEvent &a, const KeyEvent &b) { return a.context < b.context; });
    return keys;
}
