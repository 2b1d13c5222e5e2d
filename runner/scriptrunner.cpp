#include "scriptrunner.h"

#include "connection/compactjson.h"
#include "connection/qstreamdeckplugin.h"
#include "models/qstreamdeckaction.h"
#include "scriptenvironment.h"
#include "scriptlookup.h"
#include "scriptoutput.h"
#include "scriptprocess.h"
#include "typedscript.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDebug>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <utility>

namespace {
// cmd/ beside the application's folder. A stand-in host for trying scripts may name another in
// KEYSCRIPT_CMD_DIR (keyscript-host --cmd); the host never does, and no script inherits it. As
// it may also come from wherever the host was started, the log says which folder it names.
QString chosenScriptFolder()
{
    const QString chosen = qEnvironmentVariable("KEYSCRIPT_CMD_DIR");
    if (chosen.isEmpty())
        return scriptFolder(QCoreApplication::applicationDirPath());
    qDebug() << "Scripts are taken from" << chosen << "(KEYSCRIPT_CMD_DIR)";
    if (!QFileInfo(chosen).isDir())
        qDebug() << "The scripts' folder" << chosen << "does not exist: no key has a script";
    return chosen;
}
} // namespace

ScriptRunner::ScriptRunner(QStreamDeckPlugin *streamDeck, QObject *parent)
    : QObject(parent)
    , streamDeck(streamDeck)
    , scripts(chosenScriptFolder())
    , baseEnvironment(scriptEnvironment())
{
    // Once the host has taken what waits, or the connection is gone, output flows again.
    connect(&streamDeck->socket(), &QWebSocket::bytesWritten, this, &ScriptRunner::resumeOutput);
    connect(&streamDeck->socket(), &QWebSocket::disconnected, this,
            &ScriptRunner::onHostDisconnected);
    sharedWait.setSingleShot(true);
    connect(&streamDeck->socket(), &QWebSocket::connected, &sharedWait,
            [this] { sharedWait.start(sharedWaitMs); });
    connect(&sharedWait, &QTimer::timeout, this, [this] {
        qDebug() << "The host did not send the shared settings within" << sharedWaitMs
                 << "ms: scripts start without them";
        sharedArrived();
    });
}

void ScriptRunner::sharedArrived()
{
    if (sharedKnown)
        return;
    sharedKnown = true;
    sharedWait.stop();
    startWaiting();
}

ScriptRunner::~ScriptRunner()
{
    const QList<ScriptProcess *> running =
        findChildren<ScriptProcess *>(Qt::FindDirectChildrenOnly);
    for (ScriptProcess *script : running) {
        disconnect(script, nullptr, this, nullptr);
        if (script->state() != QProcess::NotRunning)
            script->askToEnd();
    }
    const QDeadlineTimer deadline(ScriptProcess::endGraceMs);
    for (ScriptProcess *script : running) {
        if (script->state() != QProcess::NotRunning)
            script->waitForFinished(int(qMax<qint64>(deadline.remainingTime(), 1)));
    }
    // What still runs is killed as the children go.
}

void ScriptRunner::onKeyDown(const QStreamDeckAction &a)
{
    handle(KeyEvent::from(QLatin1String("keyDown"), a));
}

void ScriptRunner::onKeyUp(const QStreamDeckAction &a)
{
    handle(KeyEvent::from(QLatin1String("keyUp"), a));
}

void ScriptRunner::onWillAppear(const QStreamDeckAction &a)
{
    handle(KeyEvent::from(QLatin1String("willAppear"), a));
}

void ScriptRunner::onWillDisappear(const QStreamDeckAction &a)
{
    handle(KeyEvent::from(QLatin1String("willDisappear"), a));
}

void ScriptRunner::onDidReceiveSettings(const QStreamDeckAction &a)
{
    handle(KeyEvent::from(QLatin1String("didReceiveSettings"), a));
    // A typed script saved on the page: the page hears whether it may run, and a key that
    // waited for it to be allowed runs it.
    if (TypedActions::isTyped(a.action)) {
        runReviewed(a.context);
        if (status.isPageOpen(a.context))
            askStatus(a.action, a.context);
    }
}

void ScriptRunner::onTitleParametersDidChange(const QStreamDeckAction &a)
{
    tellAppearScript(KeyEvent::from(QLatin1String("titleParametersDidChange"), a));
}

void ScriptRunner::onDidReceiveGlobalSettings(const QStreamDeckAction &a)
{
    // The host's answer to the plugin's own request at start is news only where it differs
    // from what scripts were started with; the events that waited for it start now.
    const QJsonObject settings = a.payload.value(QLatin1String("settings")).toObject();
    if (settings != sharedHeard) {
        sharedHeard = settings;
        const QByteArray line = (QLatin1String("didReceiveGlobalSettings ") +
                                 compactJson(a.payload) + QLatin1Char('\n'))
                                    .toUtf8();
        for (const QPointer<ScriptProcess> &script : std::as_const(appearScripts)) {
            if (script)
                script->writeInput(line);
        }
    }
    sharedArrived();
}

void ScriptRunner::handle(const KeyEvent &event)
{
    followVisibility(event);
    // At once: the appear script hears its key's events in the order the host sent them, and
    // ending a key's appearance never waits for a place, only starting a script does.
    if (event.event == QLatin1String("willAppear") || event.event == QLatin1String("willDisappear"))
        endAppearance(event);
    else
        tellAppearScript(event);
    if (waiting.isEmpty() && outputs.size() < maxRunning && sharedKnown) {
        dispatch(event);
        return;
    }
    if (waiting.isEmpty() && sharedKnown)
        reportFull();
    if (waiting.size() >= maxWaiting && event.event != QLatin1String("willDisappear")) {
        ++droppedEvents;
        return;
    }
    waiting.enqueue(event);
}

void ScriptRunner::dispatch(const KeyEvent &event)
{
    const QString &context = event.context;
    if (event.event == QLatin1String("willAppear")) {
        appear(event);
    } else if (event.event == QLatin1String("willDisappear")) {
        disappear(event);
    } else if (event.isKeyPress()) {
        // Presses of one key run side by side; a keyUp waits for those before it.
        QList<QPointer<QObject>> &running = presses[context];
        running.removeAll(nullptr);
        if (ScriptProcess *script = run(event))
            running.append(script);
        if (running.isEmpty())
            presses.remove(context);
    } else if (event.isDialEvent()) {
        dial(event);
    } else if (event.event == QLatin1String("keyUp")) {
        if (listedWithoutScript(event))
            return; // no keyUp script, nothing to order
        order.after(presses.value(context), [this, event](bool late) {
            if (late)
                qDebug() << "keyUp script of" << event.context << "starts after"
                         << KeyOrder::maxWaitMs << "ms: the key's keyDown scripts still run";
            run(event);
        });
    } else {
        run(event);
    }
}

void ScriptRunner::startWaiting()
{
    if (startingWaiting || !sharedKnown) // a script that could not start ends within run()
        return;
    startingWaiting = true;
    while (!waiting.isEmpty() && outputs.size() < maxRunning)
        dispatch(waiting.dequeue());
    startingWaiting = false;
    if (waiting.isEmpty())
        fullSaid = false; // the next time events wait is said again
    if (droppedEvents > 0 && waiting.size() < maxWaiting) {
        qDebug() << "dropped" << droppedEvents << "events: more than" << maxWaiting
                 << "were waiting";
        droppedEvents = 0;
    }
}

void ScriptRunner::reportFull()
{
    if (fullSaid)
        return;
    fullSaid = true;
    // The scripts that hold places longest: a press script that never ends, say.
    QList<std::pair<qint64, QString>> running;
    for (auto it = outputs.cbegin(); it != outputs.cend(); ++it)
        running.append({it.value()->elapsedMs(), it.key()->program()});
    std::sort(running.begin(), running.end(), std::greater<>());
    QDebug line = qDebug().nospace();
    line << maxRunning << " scripts run: events wait for one to end. Running longest:";
    for (qsizetype i = 0; i < running.size() && i < 3; ++i)
        line << (i ? ", " : " ") << running.at(i).second << " (" << running.at(i).first / 1000
             << " s)";
}

void ScriptRunner::onHostDisconnected()
{
    // No key is visible without a host; what scripts print from now on goes nowhere.
    held.clear();
    visible.clear();
    for (const QPointer<QObject> &poll : std::as_const(polls))
        delete poll.data();
    polls.clear();
    const QStringList contexts = appearScripts.keys();
    for (const QString &context : contexts)
        endAppearScript(context);
    resumeOutput();
}
