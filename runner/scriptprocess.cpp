#include "scriptprocess.h"

#include <QTimer>

namespace {
// What is still read after the script has ended. A program it left running in the background
// may hold the pipe and keep printing; that is not the script's output any more.
constexpr qint64 maxDrainAfterEnd = 1024 * 1024;
} // namespace

ScriptProcess::ScriptProcess(QObject *parent)
    : QProcess(parent)
{
    // Standard output goes to our own pipe (see openPipe); nobody reads standard error, and left
    // connected, a chatty script would grow the plugin.
    setStandardOutputFile(QProcess::nullDevice());
    setStandardErrorFile(QProcess::nullDevice());
    // Connected before anybody else: what the script printed is delivered before others hear
    // that it has ended, also when it could not start.
    connect(this, &QProcess::stateChanged, this, [this](QProcess::ProcessState state) {
        if (state != QProcess::NotRunning)
            return;
        ended = true;
        checkDone();
    });
}

ScriptProcess::~ScriptProcess()
{
    // QProcess's destructor would kill it too, but would report the end to whoever listens, and
    // warn in the log about a process destroyed while running.
    disconnect(this, nullptr, nullptr, nullptr);
    if (state() != QProcess::NotRunning) {
        kill();
        waitForFinished();
    }
    closePipe();
}

bool ScriptProcess::startSupervised()
{
    if (!openPipe())
        return false;
    prepareChild();
    connect(this, &QProcess::started, this, &ScriptProcess::childStarted);
    start(QIODevice::ReadWrite);
    if (pipe) // a failed start has closed it already
        setWatching(!paused);
    return true;
}

void ScriptProcess::setOutputPaused(bool paused)
{
    if (this->paused == paused || ending)
        return;
    this->paused = paused;
    if (pipe)
        setWatching(!paused);
    checkDone();
}

void ScriptProcess::end()
{
    setOutputPaused(false);
    ending = true;
    if (state() == QProcess::NotRunning)
        return;
    askToEnd();
    QTimer::singleShot(endGraceMs, this, [this] {
        if (state() != QProcess::NotRunning)
            kill();
    });
}

void ScriptProcess::deliver(const QByteArray &chunk)
{
    if (ended)
        drainedAfterEnd += chunk.size();
    if (!ending)
        emit output(chunk);
}

void ScriptProcess::endOfOutput()
{
    closePipe();
    checkDone();
}

void ScriptProcess::checkDone()
{
    if (!ended || doneSent || paused)
        return;
    // What the script printed before it ended may still be in the pipe.
    while (pipe && !paused && drainedAfterEnd < maxDrainAfterEnd && readAvailable()) {
    }
    if (paused || doneSent) // the reader paused the output, or this ran again from within it
        return;
    closePipe();
    doneSent = true;
    emit done();
}
