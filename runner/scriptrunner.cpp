#include "scriptrunner.h"

#include "commandinterpreter.h"
#include "connection/qstreamdeckplugin.h"
#include "keyevent.h"
#include "models/qstreamdeckaction.h"
#include "scriptlookup.h"
#include "scriptoutput.h"
#include "scriptprocess.h"
#include "scriptsettings.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDebug>
#include <QFileInfo>

#include <memory>

ScriptRunner::ScriptRunner(QStreamDeckPlugin *streamDeck, QObject *parent)
    : QObject(parent)
    , streamDeck(streamDeck)
    , baseEnvironment(QProcessEnvironment::systemEnvironment())
{
    // Once the host has taken what waits, or the connection is gone, output flows again.
    connect(&streamDeck->socket(), &QWebSocket::bytesWritten, this, &ScriptRunner::resumeOutput);
    connect(&streamDeck->socket(), &QWebSocket::disconnected, this,
            &ScriptRunner::onHostDisconnected);
}

ScriptRunner::~ScriptRunner()
{
    const QList<ScriptProcess *> scripts =
        findChildren<ScriptProcess *>(Qt::FindDirectChildrenOnly);
    for (ScriptProcess *script : scripts) {
        disconnect(script, nullptr, this, nullptr);
        if (script->state() != QProcess::NotRunning)
            script->askToEnd();
    }
    const QDeadlineTimer deadline(ScriptProcess::endGraceMs);
    for (ScriptProcess *script : scripts) {
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
}

void ScriptRunner::handle(const KeyEvent &event)
{
    if (waiting.isEmpty() && outputs.size() < maxRunning) {
        dispatch(event);
        return;
    }
    if (waiting.size() >= maxWaiting && event.event != QLatin1String("willDisappear")) {
        ++droppedEvents;
        return;
    }
    waiting.enqueue(event);
}

void ScriptRunner::dispatch(const KeyEvent &event)
{
    if (event.event == QLatin1String("willAppear")) {
        endAppearScript(event.context); // one per key: a second appear replaces the first
        if (ScriptOutput::hostIsGone(streamDeck))
            return; // no key is visible without a host
        if (ScriptProcess *script = run(event))
            appearScripts.insert(event.context, script);
    } else if (event.event == QLatin1String("willDisappear")) {
        ScriptProcess *appear = endAppearScript(event.context);
        if (!appear) {
            run(event);
            return;
        }
        // The clean-up script starts once the appear script has gone.
        connect(appear, &QProcess::stateChanged, this, [this, event](QProcess::ProcessState state) {
            if (state == QProcess::NotRunning)
                run(event);
        });
    } else {
        run(event);
    }
}

void ScriptRunner::startWaiting()
{
    if (startingWaiting) // a script that could not start ends within run()
        return;
    startingWaiting = true;
    while (!waiting.isEmpty() && outputs.size() < maxRunning)
        dispatch(waiting.dequeue());
    startingWaiting = false;
    if (droppedEvents > 0 && waiting.size() < maxWaiting) {
        qDebug() << "dropped" << droppedEvents << "events: more than" << maxWaiting
                 << "were waiting";
        droppedEvents = 0;
    }
}

ScriptProcess *ScriptRunner::endAppearScript(const QString &context)
{
    const QPointer<ScriptProcess> script = appearScripts.take(context);
    if (!script || script->state() == QProcess::NotRunning)
        return nullptr;
    script->end();
    return script;
}

void ScriptRunner::onHostDisconnected()
{
    // No key is visible without a host; what scripts print from now on goes nowhere.
    const QStringList contexts = appearScripts.keys();
    for (const QString &context : contexts)
        endAppearScript(context);
    resumeOutput();
}

ScriptProcess *ScriptRunner::run(const KeyEvent &event)
{
    const QString applicationDir = QCoreApplication::applicationDirPath();
    // An action that cannot name a key-press script names no event script either.
    const QString program =
        isScriptName(event.action) ? findScript(applicationDir, event.scriptName()) : QString();
    if (program.isEmpty()) {
        // Only a press says so: a profile of thirty keys would fill the log with missing scripts.
        if (event.isKeyPress())
            qDebug() << "Could not found" << scriptBasePath(applicationDir, event.action);
        return nullptr;
    }

    // Everything that belongs to this event lives in the process object and its connections,
    // and goes with it once the script has ended and its output has been read.
    auto *script = new ScriptProcess(this);
    const ScriptSettings settings = ScriptSettings::forEvent(event, baseEnvironment);
    if (settings.settingsLeftOut > 0)
        qDebug() << "KEYSCRIPT_SETTINGS left out:" << settings.settingsLeftOut
                 << "characters are more than one variable may hold";
    script->setProgram(program);
    script->setArguments(settings.arguments);
    script->setProcessEnvironment(settings.environment);
    if (isBatchScript(program)) {
        const QString reason = runThroughCommandInterpreter(*script);
        if (!reason.isEmpty()) {
            qDebug() << "Could not run" << program << "safely:" << qUtf8Printable(reason);
            delete script;
            return nullptr;
        }
    }

    const auto output =
        std::make_shared<ScriptOutput>(streamDeck, event, QFileInfo(program).absolutePath());
    connect(script, &QProcess::stateChanged, this,
            [](QProcess::ProcessState state) { qDebug() << "state" << state; });
    connect(script, &QProcess::errorOccurred, this, [script](QProcess::ProcessError error) {
        if (error != QProcess::Crashed) // a crash has its own line when the script ends
            qDebug() << "error" << script->errorString();
    });
    connect(script, &QProcess::finished, this, [](int exitCode, QProcess::ExitStatus status) {
        if (status == QProcess::CrashExit)
            qDebug() << "crashed";
        else
            qDebug() << "exit" << exitCode;
    });
    connect(script, &ScriptProcess::output, this,
            [this, script](const QByteArray &chunk) { onOutput(script, chunk); });
    connect(script, &ScriptProcess::done, this, [this, script] { onDone(script); });

    // The script and its arguments, also where cmd.exe runs a batch script for us.
    qDebug() << "run" << program << settings.arguments;
    script->setOutputPaused(hostBusy);
    outputs.insert(script, output);
    if (!script->startSupervised()) {
        qDebug() << "error" << script->errorString();
        outputs.remove(script);
        delete script;
        return nullptr;
    }
    return script;
}

void ScriptRunner::onOutput(ScriptProcess *script, const QByteArray &chunk)
{
    if (const auto output = outputs.value(script); output && !output->read(chunk))
        pauseOutput();
}

void ScriptRunner::onDone(ScriptProcess *script)
{
    const auto output = outputs.take(script);
    if (output && !script->isEnding()) // an ended script's last words are dropped with the rest
        output->finish();
    script->deleteLater();
    startWaiting();
}

void ScriptRunner::pauseOutput()
{
    // At once, also for the script whose output is being read: not one more read.
    hostBusy = true;
    for (auto it = outputs.cbegin(); it != outputs.cend(); ++it)
        it.key()->setOutputPaused(true);
}

void ScriptRunner::resumeOutput()
{
    if (!hostBusy || resuming || ScriptOutput::hostIsBusy(streamDeck))
        return;
    resuming = true;
    // First what was read and waits, in each script's order; then more may be read.
    bool drained = true;
    for (auto it = outputs.cbegin(); it != outputs.cend() && drained; ++it)
        drained = it.key()->isEnding() || it.value()->resume();
    if (drained) {
        hostBusy = false;
        const QList<ScriptProcess *> scripts = outputs.keys();
        for (ScriptProcess *script : scripts) {
            if (hostBusy) // reading on made the host busy again
                break;
            if (outputs.contains(script))
                script->setOutputPaused(false);
        }
    }
    resuming = false;
}
