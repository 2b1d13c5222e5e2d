#pragma once

#include "keyevent.h"
#include "linesplitter.h"
#include "secretmask.h"
#include "typedscript.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QStreamDeckPlugin;

// Reads one script's standard output and sends its commands to the host for the key whose
// event started the script. It stops as soon as more than maxHostBacklog waits to be written to
// the host (one line may become a message of a megabyte), keeps the rest of what was read, and
// goes on when resumed. Once the host is gone, what the script prints is only counted.
class ScriptOutput
{
public:
    // The event that started the script, and when it started.
    const KeyEvent &event() const { return key; }
    QDateTime startedAt() const { return started; }
    qint64 elapsedMs() const { return clock.elapsed(); }

    // While more than this waits to be written to the host, no line is interpreted.
    static constexpr qint64 maxHostBacklog = 1024 * 1024;

    // scriptDir is the folder that holds the script: image files are found from there.
    ScriptOutput(QStreamDeckPlugin *streamDeck, KeyEvent key, QString scriptDir);

    // The script's file (not the interpreter that may run it), and the settings too large to
    // pass to it, which it was started without; the settings and shared settings declared
    // secret, which its log shows as dots.
    QString script;
    QStringList leftOut;
    SecretMask::Secrets secrets;
    // For a script of an event the host sends the whole plugin (a deep link, an application
    // launched): it has no key of its own, and its lines act on the keys this gives, those of
    // its action visible when the line is read.
    std::function<QList<KeyEvent>()> keysOfAction;

    // Whether the host is taking more now: connected, and not too much waits for it.
    static bool hostIsBusy(const QStreamDeckPlugin *streamDeck);
    static bool hostIsGone(const QStreamDeckPlugin *streamDeck);

    // Interprets every line that chunk completes; false when the host got busy and some wait.
    bool read(const QByteArray &chunk);
    // Interprets the lines that wait; false while the host is busy and some still wait.
    bool resume();
    bool isWaiting() const { return !waiting.isEmpty(); }
    // The script has ended: interprets what is left, a last line without a line feed included,
    // and says how much was dropped for want of a host or of a key.
    void finish();
    // The script's key has gone (its appear script was ended). What the script still answers
    // to the events it had is read on: setSettings and setGlobalSettings store data the host
    // keeps, and still go; lines that only draw on the key are counted and dropped. What waits
    // for a busy host is then held to maxHostBacklog.
    void setKeyGone() { keyGone = true; }

    // The last lines the script printed that were no command, each cut at ignoredKept
    // characters, at most ignoredLinesKept of them: its key's settings page shows them.
    static constexpr int ignoredLinesKept = 5;
    static constexpr qsizetype ignoredKept = 200;
    const QStringList &ignoredLines() const { return ignored; }
    // Whether the script set its key's title itself (setTitle).
    bool setsTitle() const { return titleSet; }
    // A Run or Watch key's title as its output showed it so far: the last line that was no
    // command, through the title template, sent as each piece of output is read, unless the
    // template waits for the exit code.
    const QString &shownTitle() const { return shown; }

    // Logs one line and makes the call its command word stands for, if any; returns false for
    // a line that is no command. bytes is a line with its line feed; without one, it was cut at
    // LineSplitter's bound: a cut title still goes, but an image or settings cut short would be
    // broken, and are dropped.
    // A line that is no command is logged as "ignored", or as "output" where it is kept as the
    // key's title (Run and Watch keys).
    // The log shows the secrets as dots. With keys, a command for a key goes to each of them,
    // and to none when there is none; the plugin's own commands go once.
    static bool interpret(QStreamDeckPlugin &streamDeck, const QByteArray &bytes,
                          const KeyEvent &key, const QString &scriptDir, bool outputIsTitle = false,
                          const SecretMask::Secrets &secrets = SecretMask::Secrets(),
                          const QList<KeyEvent> *keys = nullptr);

private:
    // Cleared when the plugin's teardown destroys the host connection; a script killed then may
    // still deliver output, which must not reach a destroyed object.
    QPointer<QStreamDeckPlugin> streamDeck;
    KeyEvent key;
    QString scriptDir;
    LineSplitter lines;
    QList<QByteArray> waiting; // read, not yet interpreted: at most what one read completed
    qint64 dropped = 0;        // bytes read after the host had gone
    bool keyGone = false;
    qint64 waitingBytes = 0; // while the key has gone
    int droppedForKey = 0;   // lines that drew on a key that had gone
    QStringList ignored;
    bool titleSet = false;
    bool outputIsTitle = false;
    std::optional<TypedScript> typed; // a Run or Watch key's, whose title follows its output
    QString pendingTitleLine;         // read, not shown yet
    QString shown;
    void showTitle();
    QDateTime started = QDateTime::currentDateTime();
    QElapsedTimer clock;

    void interpretKept(const QByteArray &bytes);
    void keepForGoneKey(QList<QByteArray> lines);
};
