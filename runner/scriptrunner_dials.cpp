// ScriptRunner: a dial's events. A fast turn brings many dialRotate events; one process each
// would pile up, so a dial runs one event script at a time, in the order the host sent them,
// and turns that wait side by side become one run with the sum of their ticks.
#include "scriptrunner.h"

#include "models/qstreamdeckaction.h"
#include "scriptprocess.h"

#include <QDebug>

#include <cmath>
#include <limits>

namespace {

// A turn's ticks: a whole number, held to the range of a 32-bit integer; none for anything else.
bool readTicks(const QJsonValue &value, qint64 *ticks)
{
    const double number = value.toDouble(std::nan(""));
    if (!value.isDouble() || std::isnan(number) || std::trunc(number) != number)
        return false;
    constexpr double low = std::numeric_limits<int>::min();
    constexpr double high = std::numeric_limits<int>::max();
    *ticks = qint64(number < low ? low : number > high ? high : number);
    return true;
}

} // namespace

void ScriptRunner::onDialEvent(const QStreamDeckAction &a)
{
    for (const QLatin1String event : {QLatin1String("dialRotate"), QLatin1String("dialDown"),
                                      QLatin1String("dialUp"), QLatin1String("touchTap")}) {
        if (a.event == event)
            handle(KeyEvent::from(event, a));
    }
}

void ScriptRunner::dial(const KeyEvent &given)
{
    KeyEvent event = given;
    qint64 ticks = 0;
    if (event.event == QLatin1String("dialRotate")) {
        const QJsonValue value = event.payload.value(QLatin1String("ticks"));
        if (!readTicks(value, &ticks)) {
            qDebug() << "dialRotate of" << event.context << "dropped: its ticks"
                     << value.toVariant().toString() << "are no whole number";
            return;
        }
        event.payload.insert(QStringLiteral("ticks"), ticks);
    }
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
        qint64 before = 0;
        readTicks(turns.payload.value(QLatin1String("ticks")), &before);
        // A sum past the range stays at its end: a script told -2147483648 for a turn right
        // would turn its value the wrong way.
        const qint64 sum = qBound(qint64(std::numeric_limits<int>::min()), before + ticks,
                                  qint64(std::numeric_limits<int>::max()));
        turns.payload = event.payload; // the latest settings and whether it is held down
        turns.payload.insert(QStringLiteral("ticks"), sum);
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
