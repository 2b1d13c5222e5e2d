#include "scriptoutput.h"

#include "connection/qstreamdeckplugin.h"
#include "scriptcommands.h"
#include "scriptline.h"
#include "secretmask.h"
#include "typedscript.h"

#include <QDebug>

#include <utility>

namespace {

// How much of a line that is no command the log repeats.
constexpr qsizetype ignoredShown = 40;

} // namespace

ScriptOutput::ScriptOutput(QStreamDeckPlugin *streamDeck, KeyEvent key, QString scriptDir)
    : streamDeck(streamDeck)
    , key(std::move(key))
    , scriptDir(std::move(scriptDir))
    , outputIsTitle(TypedActions::isTyped(this->key.action))
{
    clock.start();
    if (outputIsTitle) {
        typed = TypedScript::fromSettings(
            this->key.payload.value(QLatin1String("settings")).toObject());
        // A template that shows the exit code has to wait for it.
        if (typed->title.isEmpty() || typed->title.contains(QLatin1String("{exit}")))
            typed.reset();
    }
}

bool ScriptOutput::hostIsGone(const QStreamDeckPlugin *streamDeck)
{
    return !streamDeck || streamDeck->socket().state() != QAbstractSocket::ConnectedState;
}

bool ScriptOutput::hostIsBusy(const QStreamDeckPlugin *streamDeck)
{
    // A host that is gone takes nothing, but nothing waits for it either: a reset connection
    // may keep its unsent bytes for good.
    return !hostIsGone(streamDeck) && streamDeck->socket().bytesToWrite() > maxHostBacklog;
}

bool ScriptOutput::read(const QByteArray &chunk)
{
    if (hostIsGone(streamDeck)) {
        dropped += chunk.size();
        return true;
    }
    if (keyGone)
        keepForGoneKey(lines.feed(chunk));
    else
        waiting += lines.feed(chunk);
    return resume();
}

void ScriptOutput::keepForGoneKey(QList<QByteArray> completed)
{
    for (QByteArray &line : completed) {
        const QString word = ScriptLine::parse(line).word;
        const bool stores =
            word == QLatin1String("setSettings") || word == QLatin1String("setGlobalSettings");
        if (!stores || waitingBytes + line.size() > maxHostBacklog) {
            ++droppedForKey;
            continue;
        }
        waitingBytes += line.size();
        waiting << std::move(line);
    }
}

bool ScriptOutput::resume()
{
    qsizetype done = 0;
    for (; done < waiting.size(); ++done) {
        if (hostIsGone(streamDeck)) {
            for (qsizetype i = done; i < waiting.size(); ++i)
                dropped += waiting.at(i).size();
            done = waiting.size();
            break;
        }
        if (hostIsBusy(streamDeck))
            break;
        interpretKept(waiting.at(done));
    }
    waiting.remove(0, done);
    showTitle(); // once for all the lines read at once
    if (waiting.isEmpty())
        waitingBytes = 0;
    return waiting.isEmpty();
}

void ScriptOutput::finish()
{
    // Nothing waits: a script's end is reported only once its output has been taken.
    const QByteArray rest = lines.takeRest();
    if (!rest.isEmpty() && hostIsGone(streamDeck)) {
        dropped += rest.size();
    } else if (!rest.isEmpty() && keyGone) {
        keepForGoneKey({rest + '\n'});
        resume();
    } else if (!rest.isEmpty()) {
        interpretKept(rest + '\n');
        showTitle();
    }
    if (dropped > 0)
        qDebug() << "dropped" << dropped << "bytes of output: the host is gone";
    if (droppedForKey > 0)
        qDebug() << "dropped" << droppedForKey << "lines of output: its key has gone";
}

void ScriptOutput::interpretKept(const QByteArray &bytes)
{
    const QList<KeyEvent> keys = keysOfAction ? keysOfAction() : QList<KeyEvent>();
    if (interpret(*streamDeck, bytes, key, scriptDir, outputIsTitle, secrets,
                  keysOfAction ? &keys : nullptr)) {
        if (!titleSet && bytes.contains("setTitle"))
            titleSet = ScriptLine::parse(bytes).word == QLatin1String("setTitle");
        return;
    }
    if (ignored.size() == ignoredLinesKept)
        ignored.removeFirst();
    ignored << SecretMask::maskedLine(QString::fromUtf8(bytes.left(ignoredKept * 4)).trimmed(),
                                      secrets)
                   .left(ignoredKept);
    if (typed && !titleSet)
        pendingTitleLine = ignored.last(); // as the run's end would show it
}

void ScriptOutput::showTitle()
{
    if (pendingTitleLine.isNull() || titleSet || keyGone || hostIsGone(streamDeck)) {
        pendingTitleLine = QString();
        return;
    }
    const QString title = typed->titleFor(pendingTitleLine, 0);
    pendingTitleLine = QString();
    if (title == shown)
        return;
    shown = title;
    if (key.drawsOnStrip())
        streamDeck->setFeedback(QJsonObject{{QStringLiteral("value"), title}}, key.context);
    else
        streamDeck->setTitle(title, key.context, 0);
}

bool ScriptOutput::interpret(QStreamDeckPlugin &streamDeck, const QByteArray &bytes,
                             const KeyEvent &key, const QString &scriptDir, bool outputIsTitle,
                             const SecretMask::Secrets &secrets, const QList<KeyEvent> *keys)
{
    const ScriptLine line = ScriptLine::parse(bytes);
    qDebug() << "read" << SecretMask::maskedLine(line.text, secrets);
    int state = -1;
    const ScriptCommands::Command *command = ScriptCommands::find(line.word, &state);
    // Only a line that reached the bound comes without its line feed.
    if (!bytes.endsWith('\n')) {
        if (command && command->whenCut) {
            qDebug() << command->whenCut;
            return true;
        }
        qDebug() << "cut at" << LineSplitter::maxPending << "bytes";
    }
    if (command && keys && command->forKey) {
        for (const KeyEvent &each : *keys)
            command->call({streamDeck, each, scriptDir, secrets, state}, line);
        return true;
    }
    if (command) {
        command->call({streamDeck, key, scriptDir, secrets, state}, line);
        return true;
    }
    if (line.text.isEmpty())
        return true;
    if (outputIsTitle)
        qDebug() << "output" << SecretMask::maskedLine(line.text, secrets).left(ignoredShown);
    else // a misspelt word, a tab after it
        qDebug() << "ignored" << SecretMask::maskedLine(line.text, secrets).left(ignoredShown);
    return false;
}
