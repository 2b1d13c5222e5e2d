// ScriptRunner: reading what scripts print no faster than the host takes it.
#include "scriptrunner.h"

#include "connection/qstreamdeckplugin.h"
#include "scriptoutput.h"
#include "scriptprocess.h"

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
