#pragma once

#include <QByteArray>
#include <QProcess>

// One script's process, supervised. It goes when the plugin goes, however the plugin ends (when
// the plugin dies, Linux kills it, and Windows kills the members of the plugin's kill-on-close
// job). On Unix it leads a process group of its own: when the plugin ends a script, what the
// script started is hung up once the script has gone (SIGHUP, as a closed terminal does), so a
// pipeline's "tail -F" goes with it, while a program started with nohup or setsid stays. What a
// script leaves running when it ends by itself stays too. A plugin killed outright leaves this
// to GroupWatch. Its standard output is a
// pipe of ours that is read only while the reader wants more: a paused script that keeps printing
// blocks on its full pipe instead of growing the plugin.
class ScriptProcess : public QProcess
{
    Q_OBJECT
public:
    explicit ScriptProcess(QObject *parent = nullptr);
    // Kills a script that still runs; nothing it printed is delivered any more.
    ~ScriptProcess() override;

    // Starts program() with arguments() and the environment set. False, with errorString()
    // saying why and nothing started, when its output pipe cannot be made.
    bool startSupervised();

    // While paused no output is read; done() waits until the output is read again.
    void setOutputPaused(bool paused);
    bool isOutputPaused() const { return paused; }

    // How long a script that is asked to end may take before it is killed.
    static constexpr int endGraceMs = 2000;
    // How long a script whose input was closed may take to end by itself before it is asked:
    // a live key's script finishes answering the events it had.
    static constexpr int inputGraceMs = 2000;
    // What may wait unread on a script's standard input, and what is kept of its standard error.
    static constexpr qint64 maxUnreadInput = 64 * 1024;
    static constexpr qsizetype errorTailSize = 4 * 1024;

    // Writes line to the script's standard input without waiting. While more than
    // maxUnreadInput waits unread, the line is dropped and counted instead; the log says how
    // many once the script reads again, or ends.
    void writeInput(const QByteArray &line);
    // The last errorTailSize bytes the script wrote to standard error; the rest is discarded as
    // it comes, so a chatty script neither blocks nor grows the plugin.
    QByteArray errorTail();

    // Asks the script to end (SIGTERM on Unix; a console program on Windows can only be killed).
    void askToEnd();
    // Closes its standard input (a script that reads it sees the end), asks it to end after
    // inputGraceMs and kills it endGraceMs later if it still runs. Its output is read on, so
    // that it never blocks on a full pipe, and delivered: what it answers to the events it had
    // may store data for its key.
    void end();
    bool isEnding() const { return ending; }

Q_SIGNALS:
    // Some of what the script printed, in order.
    void output(const QByteArray &chunk);
    // The script has ended (or never started) and what it printed up to then has been delivered.
    void done();

private:
    struct Pipe;

    // Platform parts: the pipe, its child end and its reading (scriptprocess_unix/_win.cpp).
    bool openPipe();
    void prepareChild();
    void childStarted();
    void setWatching(bool watching);
    bool readAvailable(); // delivers one chunk that is there now; false when there is none
    void closePipe();
    void hangUpGroup(); // what the script started, once the plugin has ended the script
    void forgetGroup(); // once the script has ended

    void deliver(const QByteArray &chunk);
    void afterEnd();
    void readErrors();
    void reportDroppedInput();
    void endOfOutput();
    void checkDone();

    Pipe *pipe = nullptr; // made by openPipe, freed by closePipe (at the end of the output)
    bool paused = false;
    bool ended = false; // the process is not running any more, or never ran
    bool hasRun = false;
    bool doneSent = false;
    bool ending = false;
    bool endAsked = false; // the plugin asked it to end, or killed it
    qint64 group = 0;      // its process group, on Unix
    qint64 drainedAfterEnd = 0;
    QByteArray errors;    // the tail of standard error
    int droppedInput = 0; // lines not written since the last report
    bool inputQueued = false;
};
