#include "scriptprocess.h"

#include "groupwatch.h"

#include <QDebug>
#include <QTimer>

namespace {
// What is still read after the script has ended. A program it left running in the background
// may hold the pipe and keep printing; that is not the script's output any more.
constexpr qint64 maxDrainAfterEnd = 1024 * 1024;
} // namespace

ScriptProcess::ScriptProcess(QObject *parent)
    : QProcess(parent)
{
    // Standard output goes to our own pipe (see openPipe). Standard error is read as it comes,
    // and only its tail kept.
    setStandardOutputFile(QProcess::nullDevice());
    connect(this, &QProcess::readyReadStandardError, this, &ScriptProcess::readErrors);
    connect(this, &QProcess::bytesWritten, this, &ScriptProcess::reportDroppedInput);
    // Connected before anybody else: what the script printed is delivered before others hear
    // that it has ended, also when it could not start.
    connect(this, &QProcess::stateChanged, this, [this](QProcess::ProcessState state) {
        if (state == QProcess::Running)
            hasRun = true;
        if (state != QProcess::NotRunning)
            return;
        ended = true;
        if (endAsked)
            hangUpGroup();
        forgetGroup();
        if (hasRun) {
            afterEnd();
            return;
        }
        // A start that failed is reported as NotRunning before Qt sets the error that says
        // why: whoever hears done() must see it, or the run would pass for an exit 0.
        QMetaObject::invokeMethod(this, &ScriptProcess::afterEnd, Qt::QueuedConnection);
    });
}

void ScriptProcess::forgetGroup()
{
    // What a script that ended by itself left running is its own: the watcher lets it be.
    GroupWatch::remove(group);
    group = 0;
}

void ScriptProcess::afterEnd()
{
    readErrors();
    reportDroppedInput();
    checkDone();
}

ScriptProcess::~ScriptProcess()
{
    // QProcess's destructor would kill it too, but would report the end to whoever listens, and
    // warn in the log about a process destroyed while running. Only destroyed() still goes out:
    // QObject's destructor unblocks it, and a key's next script may wait for it.
    blockSignals(true);
    if (state() != QProcess::NotRunning) {
        kill();
        waitForFinished();
        hangUpGroup();
    }
    forgetGroup();
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

void ScriptProcess::writeInput(const QByteArray &line)
{
    // Also while it starts: what is written then waits in the pipe for it.
    if (state() == QProcess::NotRunning || ending)
        return;
    if (bytesToWrite() > maxUnreadInput) {
        ++droppedInput;
        return;
    }
    write(line);
    // The lines of one burst of events (a dial turned fast) go to the pipe in one write, as soon
    // as the event that brought them is handled: a live key's answer waits for it.
    if (inputQueued)
        return;
    inputQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            inputQueued = false;
            if (state() != QProcess::NotRunning && bytesToWrite() > 0)
                waitForBytesWritten(0);
        },
        Qt::QueuedConnection);
}

void ScriptProcess::reportDroppedInput()
{
    if (droppedInput == 0 || (state() == QProcess::Running && bytesToWrite() > maxUnreadInput))
        return;
    qDebug() << "dropped" << droppedInput << "events: the script did not read its input";
    droppedInput = 0;
}

void ScriptProcess::readErrors()
{
    errors += readAllStandardError();
    if (errors.size() > errorTailSize)
        errors.remove(0, errors.size() - errorTailSize);
}

QByteArray ScriptProcess::errorTail()
{
    readErrors();
    return errors;
}

void ScriptProcess::end()
{
    setOutputPaused(false);
    ending = true;
    endAsked = true; // its key has gone: what it started goes with it
    if (state() == QProcess::NotRunning)
        return;
    closeWriteChannel();
    // A script that reads its input ends by itself at its end, and its exit code says so; one
    // that does not is asked.
    QTimer::singleShot(inputGraceMs, this, [this] {
        if (state() != QProcess::NotRunning)
            askToEnd();
    });
    QTimer::singleShot(inputGraceMs + endGraceMs, this, [this] {
        if (state() != QProcess::NotRunning) {
            endAsked = true;
            kill();
        }
    });
}

void ScriptProcess::deliver(const QByteArray &chunk)
{
    if (ended)
        drainedAfterEnd += chunk.size();
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
