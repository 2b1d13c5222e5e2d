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
    connect(&streamDeck->socket(), &QWebSocket::bytesWritten, this,
            &ScriptRunner::updateBackpressure);
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
    run(KeyEvent::from(QLatin1String("keyDown"), a));
}

void ScriptRunner::onKeyUp(const QStreamDeckAction &a)
{
    run(KeyEvent::from(QLatin1String("keyUp"), a));
}

void ScriptRunner::onWillAppear(const QStreamDeckAction &a)
{
    endAppearScript(a.context); // one per key: a second appear replaces the first
    if (ScriptProcess *script = run(KeyEvent::from(QLatin1String("willAppear"), a)))
        appearScripts.insert(a.context, script);
}

void ScriptRunner::onWillDisappear(const QStreamDeckAction &a)
{
    const KeyEvent event = KeyEvent::from(QLatin1String("willDisappear"), a);
    ScriptProcess *appear = endAppearScript(a.context);
    if (!appear) {
        run(event);
        return;
    }
    // The clean-up script starts once the appear script has gone.
    connect(appear, &QProcess::stateChanged, this, [this, event](QProcess::ProcessState state) {
        if (state == QProcess::NotRunning)
            run(event);
    });
}

void ScriptRunner::onDidReceiveSettings(const QStreamDeckAction &a)
{
    run(KeyEvent::from(QLatin1String("didReceiveSettings"), a));
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
    // No key is visible without a host.
    const QStringList contexts = appearScripts.keys();
    for (const QString &context : contexts)
        endAppearScript(context);
    updateBackpressure();
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
    connect(script, &ScriptProcess::output, this, [this, output](const QByteArray &chunk) {
        output->read(chunk);
        updateBackpressure();
    });
    connect(script, &ScriptProcess::done, this, [script, output] {
        if (!script->isEnding()) // an ended script's last words are dropped with the rest
            output->finish();
        script->deleteLater();
    });

    // The script and its arguments, also where cmd.exe runs a batch script for us.
    qDebug() << "run" << program << settings.arguments;
    script->setOutputPaused(hostBusy);
    if (!script->startSupervised()) {
        qDebug() << "error" << script->errorString();
        delete script;
        return nullptr;
    }
    return script;
}

void ScriptRunner::updateBackpressure()
{
    const bool busy = streamDeck && streamDeck->socket().bytesToWrite() > maxHostBacklog;
    if (busy == hostBusy)
        return;
    hostBusy = busy;
    const QList<ScriptProcess *> scripts =
        findChildren<ScriptProcess *>(Qt::FindDirectChildrenOnly);
    for (ScriptProcess *script : scripts)
        script->setOutputPaused(busy);
}
