#include "scriptoutput.h"

#include "connection/qstreamdeckplugin.h"
#include "scriptimage.h"
#include "scriptline.h"
#include "scriptlookup.h"
#include "secretmask.h"
#include "typedscript.h"

#include <QDebug>
#include <QJsonDocument>

#include <optional>
#include <utility>

namespace {

// How much of a line that is no command the log repeats.
constexpr qsizetype ignoredShown = 40;

struct Target
{
    QStreamDeckPlugin &deck;
    const KeyEvent &key;
    const QString &scriptDir;
    const SecretMask::Secrets &secrets;
};

struct ScriptCommand
{
    QLatin1String word;
    void (*call)(const Target &, const ScriptLine &);
    // Why a cut line is dropped, for a command whose argument would be broken if cut; none
    // where the start of the argument is worth sending.
    const char *whenCut = nullptr;
};

void setImage(const Target &to, const ScriptLine &line)
{
    // As printed: a Windows path may hold a backslash followed by n.
    const ScriptImage image = ScriptImage::fromValue(line.rawArgument, to.scriptDir);
    if (!image.error.isEmpty()) {
        qDebug() << "Could not set image" << image.file << qUtf8Printable(image.error);
        return;
    }
    to.deck.setImage(image.image, to.key.context, 0);
}

// The line's argument as a JSON object; none, said in the log with refusal, when it is none.
std::optional<QJsonObject> settingsOf(const ScriptLine &line, const char *refusal,
                                      const SecretMask::Secrets &secrets = SecretMask::Secrets())
{
    // As printed: "\n" inside a JSON string is JSON's own escape.
    const QJsonDocument document = QJsonDocument::fromJson(line.rawArgument.toUtf8());
    if (!document.isObject()) {
        const QString shown = SecretMask::maskedLine(line.text, secrets);
        qDebug() << refusal << shown.mid(shown.indexOf(QLatin1Char(' ')) + 1);
        return std::nullopt;
    }
    return document.object();
}

void setSettings(const Target &to, const ScriptLine &line)
{
    if (std::optional<QJsonObject> settings =
            settingsOf(line, "Could not set settings, not a JSON object:", to.secrets))
        to.deck.setSettings(*settings, to.key.context);
}

// The plugin's settings, shared by all its keys: the host keeps them under the plugin's UUID.
void setGlobalSettings(const Target &to, const ScriptLine &line)
{
    if (std::optional<QJsonObject> settings =
            settingsOf(line, "Could not set global settings, not a JSON object:", to.secrets))
        to.deck.setGlobalSettings(*settings, to.deck.pluginUUID());
}

// A dial's part of the touch strip: values for its layout's items by key, and the words the
// host shows for its gestures, each a JSON object.
void setFeedback(const Target &to, const ScriptLine &line)
{
    if (std::optional<QJsonObject> values =
            settingsOf(line, "Could not set feedback, not a JSON object:"))
        to.deck.setFeedback(*values, to.key.context);
}

void setTriggerDescription(const Target &to, const ScriptLine &line)
{
    if (std::optional<QJsonObject> words =
            settingsOf(line, "Could not set the trigger description, not a JSON object:"))
        to.deck.setTriggerDescription(*words, to.key.context);
}

// What a script may print, matched exactly and case-sensitively against the command word.
const ScriptCommand scriptCommands[] = {
    {QLatin1String("setTitle"),
     [](const Target &to, const ScriptLine &line) {
         to.deck.setTitle(line.argument, to.key.context, 0);
     }},
    {QLatin1String("setState"),
     [](const Target &to, const ScriptLine &line) {
         to.deck.setState(line.argument.toInt(nullptr, 10), to.key.context);
     }},
    {QLatin1String("switchProfile"),
     [](const Target &to, const ScriptLine &line) {
         to.deck.switchProfile(to.key.device, line.argument);
     }},
    {QLatin1String("showAlert"),
     [](const Target &to, const ScriptLine &) { to.deck.showAlert(to.key.context); }},
    {QLatin1String("showOk"),
     [](const Target &to, const ScriptLine &) { to.deck.showOk(to.key.context); }},
    {QLatin1String("setImage"), setImage,
     "Could not set image, the line was cut: larger pictures go as files"},
    {QLatin1String("setSettings"), setSettings, "Could not set settings, the line was cut"},
    {QLatin1String("setGlobalSettings"), setGlobalSettings,
     "Could not set global settings, the line was cut"},
    {QLatin1String("openUrl"),
     [](const Target &to, const ScriptLine &line) { to.deck.openURL(line.argument); }},
    {QLatin1String("logMessage"),
     [](const Target &to, const ScriptLine &line) { to.deck.logMessage(line.argument); }},
    {QLatin1String("setFeedback"), setFeedback, "Could not set feedback, the line was cut"},
    {QLatin1String("setFeedbackLayout"),
     [](const Target &to, const ScriptLine &line) {
         // A built-in name ($B1) or a layout file's path in the plugin's folder, as printed.
         if (!isLayoutReference(line.rawArgument)) {
             qDebug() << "Could not set the layout" << line.rawArgument
                      << "it is neither one of the host's ($A0, $A1, $B1, $B2, $C1, $X1) nor a "
                         "path inside the plugin's folder";
             return;
         }
         to.deck.setFeedbackLayout(line.rawArgument, to.key.context);
     }},
    {QLatin1String("setTriggerDescription"), setTriggerDescription,
     "Could not set the trigger description, the line was cut"},
};

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
    if (interpret(*streamDeck, bytes, key, scriptDir, outputIsTitle, secrets)) {
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
                             const SecretMask::Secrets &secrets)
{
    const ScriptLine line = ScriptLine::parse(bytes);
    qDebug() << "read" << SecretMask::maskedLine(line.text, secrets);
    const ScriptCommand *command = nullptr;
    for (const ScriptCommand &candidate : scriptCommands) {
        if (line.word == candidate.word) {
            command = &candidate;
            break;
        }
    }
    // Only a line that reached the bound comes without its line feed.
    if (!bytes.endsWith('\n')) {
        if (command && command->whenCut) {
            qDebug() << command->whenCut;
            return true;
        }
        qDebug() << "cut at" << LineSplitter::maxPending << "bytes";
    }
    if (command) {
        command->call(Target{streamDeck, key, scriptDir, secrets}, line);
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
