// ScriptRunner: a dial's events. A fast turn brings many dialRotate events; one process each
// would pile up, so a dial runs one event script at a time, in the order the host sent them,
// and turns that wait side by side become one run with the sum of their ticks.
#include "scriptrunner.h"

#include "models/qstreamdeckaction.h"
#include "scriptprocess.h"

void ScriptRunner::onDialEvent(const QStreamDeckAction &a)
{
    for (const QLatin1String event : {QLatin1String("dialRotate"), QLatin1String("dialDown"),
                                      QLatin1String("dialUp"), QLatin1String("touchTap")}) {
        if (a.event == event)
            handle(KeyEvent::from(event, a));
    }
}

void ScriptRunner::dial(const KeyEvent &event)
{
    DialEvents &events = dials[event.context];
    if (!events.running) {
        startDialEvent(event);
        return;
    }
    // A turn right after a turn adds to it; anything else keeps its place between them.
    const QLatin1String rotate("dialRotate");
    if (event.event == rotate && !events.waiting.isEmpty() &&
        events.waiting.last().event == rotate) {
        KeyEvent &turns = events.waiting.last();
        const int ticks = turns.payload.value(QLatin1String("ticks")).toInt() +
                          event.payload.value(QLatin1String("ticks")).toInt();
        turns.payload = event.payload; // the latest settings and whether it is held down
        turns.payload.insert(QStringLiteral("ticks"), ticks);
        return;
    }
    events.waiting.append(event);
}

bool ScriptRunner::startDialEvent(const KeyEvent &event)
{
    const QString context = event.context;
    ScriptProcess *script = listedWithoutScript(event) ? nullptr : run(event);
    if (!script) {
        if (!dials.value(context).running && dials.value(context).waiting.isEmpty())
            dials.remove(context);
        return false;
    }
    dials[context].running = script;
    connect(script, &ScriptProcess::done, this, [this, context] { dialScriptDone(context); });
    return true;
}

void ScriptRunner::dialScriptDone(const QString &context)
{
    auto it = dials.find(context);
    if (it == dials.end())
        return;
    it->running = nullptr;
    while (!dials.value(context).waiting.isEmpty()) {
        const KeyEvent next = dials[context].waiting.takeFirst();
        if (startDialEvent(next))
            return;
    }
    dials.remove(context);
}
