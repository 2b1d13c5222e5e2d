#include "scriptrunner.h"

#include "commandinterpreter.h"
#include "connection/qstreamdeckplugin.h"
#include "models/qstreamdeckaction.h"
#include "scriptlookup.h"
#include "scriptoutput.h"
#include "scriptprocess.h"
#include "scriptsettings.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDebug>

#include <memory>

ScriptRunner::ScriptRunner(QStreamDeckPlugin *streamDeck, QObject *parent)
    : QObject(parent)
    , streamDeck(streamDeck)
{
    // Once the host has taken what waits, or the connection is gone, output flows again.
    connect(&streamDeck->socket(), &QWebSocket::bytesWritten, this,
            &ScriptRunner::updateBackpressure);
    connect(&streamDeck->socket(), &QWebSocket::disconnected, this,
            &ScriptRunner::updateBackpressure);
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
    const QDeadlineTimer deadline(endGraceMs);
    for (ScriptProcess *script : scripts) {
        if (script->state() != QProcess::NotRunning)
            script->waitForFinished(int(qMax<qint64>(deadline.remainingTime(), 1)));
    }
    // What still runs is killed as the children go.
}

void ScriptRunner::onKeyDown(const QStreamDeckAction &a)
{
    const QString applicationDir = QCoreApplication::applicationDirPath();
    const QString program = findScript(applicationDir, a.action);
    if (program.isEmpty()) {
        qDebug() << "Could not found" << scriptBasePath(applicationDir, a.action);
        return;
    }

    // Everything that belongs to this press lives in the process object and its connections,
    // and goes with it once the script has ended and its output has been read.
    auto *script = new ScriptProcess(this);
    const ScriptSettings settings =
        ScriptSettings::fromPayload(a.payload, QProcessEnvironment::systemEnvironment());
    script->setProgram(program);
    script->setArguments(settings.arguments);
    script->setProcessEnvironment(settings.environment);
    if (isBatchScript(program)) {
        const QString reason = runThroughCommandInterpreter(*script);
        if (!reason.isEmpty()) {
            qDebug() << "Could not run" << program << "safely:" << qUtf8Printable(reason);
            delete script;
            return;
        }
    }

    const auto output = std::make_shared<ScriptOutput>(streamDeck, a.context, a.device);
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
        output->finish();
        script->deleteLater();
    });

    // The script and its arguments, also where cmd.exe runs a batch script for us.
    qDebug() << "run" << program << settings.arguments;
    script->setOutputPaused(hostBusy);
    if (!script->startSupervised()) {
        qDebug() << "error" << script->errorString();
        delete script;
    }
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
