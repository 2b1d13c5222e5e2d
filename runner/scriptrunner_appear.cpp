// ScriptRunner: a key's appearance: its appear script, live while the key is visible or run
// again every so often, the events it hears, and the clean-up when the key goes.
#include "scriptrunner.h"

#include "connection/compactjson.h"
#include "connection/qstreamdeckplugin.h"
#include "scriptoutput.h"
#include "scriptprocess.h"
#include "typedscript.h"

#include <QDebug>
#include <QTimer>

void ScriptRunner::tellAppearScript(const KeyEvent &event)
{
    const QPointer<ScriptProcess> script = appearScripts.value(event.context);
    const auto waitingOne = held.find(event.context);
    if (!script && waitingOne == held.end())
        return;
    // The event as the host sent it: its name, a space, its payload as compact JSON.
    QByteArray line =
        (event.event + QLatin1Char(' ') + compactJson(event.payload) + QLatin1Char('\n')).toUtf8();
    if (script) {
        script->writeInput(line);
    } else if (waitingOne->bytes + line.size() > ScriptProcess::maxUnreadInput) {
        ++waitingOne->dropped; // as an appear script that does not read would have them
    } else {
        waitingOne->bytes += line.size();
        waitingOne->lines << std::move(line);
    }
}

void ScriptRunner::endAppearance(const KeyEvent &event)
{
    const QString &context = event.context;
    delete waitingAppears.take(context).data(); // an appear script that waited never starts
    if (ScriptProcess *ending = endAppearScript(context))
        endingAppears.insert(context, ending);
    // The events that come while the next appear script waits to start are its own.
    if (event.event == QLatin1String("willAppear")) {
        if (!held.contains(context) && scripts.hasScripts(event.action))
            held.insert(context, Held());
    } else {
        held.remove(context);
    }
}

void ScriptRunner::followVisibility(const KeyEvent &event)
{
    const QString &context = event.context;
    if (event.event == QLatin1String("willAppear")) {
        visible.insert(context, event);
        delete polls.take(context).data(); // the appearance runs its script now
    } else if (event.event == QLatin1String("willDisappear")) {
        visible.remove(context);
        delete polls.take(context).data();
    } else if (const auto it = visible.find(context);
               it != visible.end() && event.payload.contains(QLatin1String("settings"))) {
        // A polled key's next run has the settings its last event brought.
        it->payload.insert(QStringLiteral("settings"),
                           event.payload.value(QLatin1String("settings")));
    }
}

void ScriptRunner::pollLater(const QString &context, qint64 ms)
{
    auto *timer = new QTimer(this);
    timer->setSingleShot(true);
    polls.insert(context, timer);
    connect(timer, &QTimer::timeout, this, [this, context, timer] {
        polls.remove(context);
        timer->deleteLater();
        if (visible.contains(context) && !ScriptOutput::hostIsGone(streamDeck))
            handle(visible.value(context)); // as the key's appearance, with its latest settings
    });
    timer->start(int(qMin<qint64>(ms, 24 * 3600 * 1000)));
}

void ScriptRunner::appear(const KeyEvent &event)
{
    const QString &context = event.context;
    endAppearScript(context); // one per key: a second appear replaces the first
    delete waitingAppears.take(context).data();
    // No key is visible without a host; and the common case: no appear script, nothing to wait
    // for, nobody to hold events for.
    if (ScriptOutput::hostIsGone(streamDeck) ||
        (!TypedActions::isTyped(event.action) && !scripts.hasScripts(event.action)) ||
        listedWithoutScript(event)) {
        held.remove(context);
        return;
    }
    QObject *wait = order.after({cleanUps.value(context)}, [this, event](bool late) {
        waitingAppears.remove(event.context);
        if (late)
            qDebug() << "willAppear script of" << event.context << "starts after"
                     << KeyOrder::maxWaitMs << "ms: the key's willDisappear script still runs";
        const Held waited = held.take(event.context);
        if (ScriptOutput::hostIsGone(streamDeck))
            return;
        ScriptProcess *script = run(event);
        if (!script)
            return;
        appearScripts.insert(event.context, script);
        for (const QByteArray &line : waited.lines)
            script->writeInput(line);
        if (waited.dropped > 0)
            qDebug() << "dropped" << waited.dropped << "events: the script did not read its input";
    });
    if (wait)
        waitingAppears.insert(context, wait);
}

void ScriptRunner::disappear(const KeyEvent &event)
{
    // An appear script that has not started yet never will.
    delete waitingAppears.take(event.context).data();
    // The common case: a key of an action with scripts, but no appear script and no clean-up.
    if (listedWithoutScript(event) && !appearScripts.value(event.context) &&
        !endingAppears.value(event.context)) {
        endingAppears.remove(event.context);
        return;
    }
    // The clean-up lasts until the willDisappear script has ended; the key's next appear
    // script waits for it.
    auto *cleanUp = new QObject(this);
    cleanUps.insert(event.context, cleanUp);
    const auto runCleanUp = [this, event, cleanUp] {
        if (ScriptProcess *script = run(event))
            connect(script, &QObject::destroyed, cleanUp, &QObject::deleteLater);
        else
            cleanUp->deleteLater();
    };
    // Its appear script was ended when the event came; the clean-up follows it.
    ScriptProcess *appear = endAppearScript(event.context);
    const QPointer<ScriptProcess> ended = endingAppears.take(event.context);
    if (!appear && ended && ended->state() != QProcess::NotRunning)
        appear = ended;
    if (!appear) {
        runCleanUp();
        return;
    }
    // The clean-up script starts once the appear script has gone.
    connect(appear, &QProcess::stateChanged, cleanUp, [runCleanUp](QProcess::ProcessState state) {
        if (state == QProcess::NotRunning)
            runCleanUp();
    });
}

ScriptProcess *ScriptRunner::endAppearScript(const QString &context)
{
    const QPointer<ScriptProcess> script = appearScripts.take(context);
    if (!script || script->state() == QProcess::NotRunning)
        return nullptr;
    if (const auto output = outputs.value(script))
        output->setKeyGone();
    script->end();
    return script;
}
