#include "scriptoutput.h"

#include "connection/qstreamdeckplugin.h"
#include "scriptline.h"

#include <QDebug>

#include <iterator>
#include <utility>

namespace {

struct ScriptCommand
{
    QLatin1String word;
    void (*call)(QStreamDeckPlugin &, const QString &argument, const QString &context,
                 const QString &device);
};

// What a script may print, matched exactly and case-sensitively against the command word.
const ScriptCommand scriptCommands[] = {
    {QLatin1String("setTitle"),
     [](QStreamDeckPlugin &deck, const QString &argument, const QString &context, const QString &) {
         deck.setTitle(argument, context, 0);
     }},
    {QLatin1String("setState"),
     [](QStreamDeckPlugin &deck, const QString &argument, const QString &context, const QString &) {
         deck.setState(argument.toInt(nullptr, 10), context);
     }},
    {QLatin1String("switchProfile"),
     [](QStreamDeckPlugin &deck, const QString &argument, const QString &, const QString &device) {
         deck.switchProfile(device, argument);
     }},
    {QLatin1String("showAlert"),
     [](QStreamDeckPlugin &deck, const QString &, const QString &context, const QString &) {
         deck.showAlert(context);
     }},
};

} // namespace

ScriptOutput::ScriptOutput(QStreamDeckPlugin *streamDeck, QString context, QString device)
    : streamDeck(streamDeck)
    , context(std::move(context))
    , device(std::move(device))
{
}

void ScriptOutput::read(const QByteArray &chunk)
{
    if (!streamDeck)
        return;
    for (const QByteArray &line : lines.feed(chunk))
        interpret(*streamDeck, line, context, device);
}

void ScriptOutput::finish()
{
    const QByteArray rest = lines.takeRest();
    if (streamDeck && !rest.isEmpty())
        interpret(*streamDeck, rest, context, device);
}

void ScriptOutput::interpret(QStreamDeckPlugin &streamDeck, const QByteArray &bytes,
                             const QString &context, const QString &device)
{
    const ScriptLine line = ScriptLine::parse(bytes);
    qDebug() << "read" << line.text;
    for (const ScriptCommand &command : scriptCommands) {
        if (line.word == command.word) {
            command.call(streamDeck, line.argument, context, device);
            return;
        }
    }
}
