#include "scriptcommands.h"

#include "connection/qstreamdeckplugin.h"
#include "scriptimage.h"
#include "scriptline.h"
#include "scriptlookup.h"

#include <QDebug>
#include <QJsonDocument>

#include <optional>

namespace ScriptCommands {
namespace {

// A state the host has: an action has one or two, numbered 0 and 1.
bool isState(int state)
{
    return state == 0 || state == 1;
}

void setTitle(const Target &to, const ScriptLine &line)
{
    if (to.state == -1)
        to.deck.setTitle(line.argument, to.key.context, 0);
    else if (isState(to.state))
        to.deck.setTitleForState(line.argument, to.key.context, to.state);
    else
        qDebug() << "Could not set the title of a state other than 0 or 1: an action has no more";
}

void setImage(const Target &to, const ScriptLine &line)
{
    if (to.state == -2) {
        qDebug() << "Could not set the image of a state other than 0 or 1: an action has no more";
        return;
    }
    // As printed: a Windows path may hold a backslash followed by n.
    const ScriptImage image = ScriptImage::fromValue(line.rawArgument, to.scriptDir);
    if (!image.error.isEmpty()) {
        qDebug() << "Could not set image" << image.file << qUtf8Printable(image.error);
        return;
    }
    if (to.state == -1)
        to.deck.setImage(image.image, to.key.context, 0);
    else
        to.deck.setImageForState(image.image, to.key.context, to.state);
}

void setState(const Target &to, const ScriptLine &line)
{
    // The host has states 0 and 1 only; any other number, or no number, would show nothing
    // or a state the key cannot have.
    bool isNumber = false;
    const int state = line.argument.toInt(&isNumber, 10);
    if (!isNumber || !isState(state)) {
        qDebug() << "Could not set state" << line.argument << "the host takes 0 or 1";
        return;
    }
    to.deck.setState(state, to.key.context);
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

void setFeedbackLayout(const Target &to, const ScriptLine &line)
{
    // A built-in name ($B1) or a layout file's path in the plugin's folder, as printed.
    if (!isLayoutReference(line.rawArgument)) {
        qDebug() << "Could not set the layout" << line.rawArgument
                 << "it is neither one of the host's ($A0, $A1, $B1, $B2, $C1, $X1) nor a "
                    "path inside the plugin's folder";
        return;
    }
    to.deck.setFeedbackLayout(line.rawArgument, to.key.context);
}

const Command commands[] = {
    {QLatin1String("setTitle"), setTitle},
    {QLatin1String("setState"), setState},
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
     "Could not set global settings, the line was cut", false},
    {QLatin1String("openUrl"),
     [](const Target &to, const ScriptLine &line) { to.deck.openURL(line.argument); }, nullptr,
     false},
    {QLatin1String("logMessage"),
     [](const Target &to, const ScriptLine &line) { to.deck.logMessage(line.argument); }, nullptr,
     false},
    {QLatin1String("setFeedback"), setFeedback, "Could not set feedback, the line was cut"},
    {QLatin1String("setFeedbackLayout"), setFeedbackLayout},
    {QLatin1String("setTriggerDescription"), setTriggerDescription,
     "Could not set the trigger description, the line was cut"},
};

} // namespace

const Command *find(const QString &word, int *state)
{
    *state = -1;
    QStringView name = word;
    const qsizetype at = word.indexOf(QLatin1Char('@'));
    if (at >= 0) {
        name = name.left(at);
        if (name != QLatin1String("setTitle") && name != QLatin1String("setImage"))
            return nullptr;
        bool isNumber = false;
        const int n = word.mid(at + 1).toInt(&isNumber, 10);
        *state = isNumber && isState(n) ? n : -2;
    }
    for (const Command &command : commands) {
        if (name == command.word)
            return &command;
    }
    return nullptr;
}

} // namespace ScriptCommands
