#include "scriptoutput.h"

#include "connection/qstreamdeckplugin.h"
#include "scriptimage.h"
#include "scriptline.h"

#include <QDebug>
#include <QJsonDocument>

#include <utility>

namespace {

struct Target
{
    QStreamDeckPlugin &deck;
    const KeyEvent &key;
    const QString &scriptDir;
};

struct ScriptCommand
{
    QLatin1String word;
    void (*call)(const Target &, const ScriptLine &);
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

void setSettings(const Target &to, const ScriptLine &line)
{
    // As printed: "\n" inside a JSON string is JSON's own escape.
    const QJsonDocument document = QJsonDocument::fromJson(line.rawArgument.toUtf8());
    if (!document.isObject()) {
        qDebug() << "Could not set settings, not a JSON object:" << line.rawArgument;
        return;
    }
    QJsonObject settings = document.object();
    to.deck.setSettings(settings, to.key.context);
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
    {QLatin1String("setImage"), setImage},
    {QLatin1String("setSettings"), setSettings},
    {QLatin1String("openUrl"),
     [](const Target &to, const ScriptLine &line) { to.deck.openURL(line.argument); }},
    {QLatin1String("logMessage"),
     [](const Target &to, const ScriptLine &line) { to.deck.logMessage(line.argument); }},
};

} // namespace

ScriptOutput::ScriptOutput(QStreamDeckPlugin *streamDeck, KeyEvent key, QString scriptDir)
    : streamDeck(streamDeck)
    , key(std::move(key))
    , scriptDir(std::move(scriptDir))
{
}

void ScriptOutput::read(const QByteArray &chunk)
{
    if (!streamDeck)
        return;
    for (const QByteArray &line : lines.feed(chunk))
        interpret(*streamDeck, line, key, scriptDir);
}

void ScriptOutput::finish()
{
    const QByteArray rest = lines.takeRest();
    if (streamDeck && !rest.isEmpty())
        interpret(*streamDeck, rest, key, scriptDir);
}

void ScriptOutput::interpret(QStreamDeckPlugin &streamDeck, const QByteArray &bytes,
                             const KeyEvent &key, const QString &scriptDir)
{
    const ScriptLine line = ScriptLine::parse(bytes);
    qDebug() << "read" << line.text;
    for (const ScriptCommand &command : scriptCommands) {
        if (line.word == command.word) {
            command.call(Target{streamDeck, key, scriptDir}, line);
            return;
        }
    }
}
