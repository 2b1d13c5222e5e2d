// ScriptRunner: reading what scripts print no faster than the host takes it.
#include "scriptrunner.h"

#include "connection/qstreamdeckplugin.h"
#include "scriptlookup.h"
#include "scriptoutput.h"
#include "scriptprocess.h"

#include <utility>

void ScriptRunner::onOutput(ScriptProcess *script, const QByteArray &chunk)
{
    if (const auto output = outputs.value(script); output && !output->read(chunk))
        pauseOutput();
}

void ScriptRunner::onDone(ScriptProcess *script)
{
    const auto output = outputs.take(script);
    if (output)
        output->finish();
    if (output) {
        ScriptRun run;
        run.started = output->startedAt();
        run.ms = output->elapsedMs();
        run.ignored = output->ignoredLines();
        run.leftOut = output->leftOut;
        run.errors = QString::fromUtf8(script->errorTail());
        if (script->error() == QProcess::FailedToStart) {
            run.ending = QStringLiteral("could not start: ") + script->errorString();
            if (interpreterLineEndsInCarriageReturn(script->program()))
                run.ending += QStringLiteral(" (its #! line ends in a carriage return)");
            run.failed = true;
        } else if (script->exitStatus() == QProcess::NormalExit) {
            run.exitCode = script->exitCode();
            run.ending = QStringLiteral("exit %1").arg(run.exitCode);
            run.failed = script->exitCode() != 0 && !script->isEnding();
        } else if (script->isEnding()) {
            run.ending = QStringLiteral("ended by the plugin");
        } else {
            run.ending = QStringLiteral("crashed");
            run.failed = true;
        }
        recordRun(output->event(), output->script, std::move(run), output->setsTitle(),
                  output->shownTitle());
        // A polled key's appear script that ended by itself runs again, its time after it began.
        const KeyEvent &event = output->event();
        if (event.event == QLatin1String("willAppear") && !script->isEnding() &&
            appearScripts.value(event.context) == script && visible.contains(event.context)) {
            const qint64 every = pollIntervalMs(event, output->script);
            if (every > 0)
                pollLater(event.context, qMax<qint64>(0, every - output->elapsedMs()));
        }
    }
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
    if (!statusAsked.isEmpty() && !statusQueued && !ScriptOutput::hostIsBusy(streamDeck))
        sendAskedStatus();
    if (!hostBusy || resuming || ScriptOutput::hostIsBusy(streamDeck))
        return;
    resuming = true;
    // First what was read and waits, in each script's order; then more may be read.
    bool drained = true;
    for (auto it = outputs.cbegin(); it != outputs.cend() && drained; ++it)
        drained = it.value()->resume();
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
