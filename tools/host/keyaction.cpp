#include "keyaction.h"

#include "argumentreader.h"
#include "eventtext.h"

#include "runner/scriptlookup.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

// The words for the events of a key, and the host's names for them.
const struct
{
    QLatin1String word;
    QLatin1String event;
} keyWords[] = {
    {QLatin1String("press"), QLatin1String("keyDown")},
    {QLatin1String("release"), QLatin1String("keyUp")},
    {QLatin1String("appear"), QLatin1String("willAppear")},
    {QLatin1String("disappear"), QLatin1String("willDisappear")},
    {QLatin1String("settings"), QLatin1String("didReceiveSettings")},
    {QLatin1String("resources"), QLatin1String("didReceiveResources")},
    {QLatin1String("rotate"), QLatin1String("dialRotate")},
    {QLatin1String("dialdown"), QLatin1String("dialDown")},
    {QLatin1String("dialup"), QLatin1String("dialUp")},
    {QLatin1String("tap"), QLatin1String("touchTap")},
};

// --at X,Y: where the strip is touched, on the dial's 200 by 100 canvas.
void readTapPosition(ArgumentReader &reader, KeyAction &key)
{
    const QString word = reader.next();
    const QString at = reader.value(word);
    bool xOk = false, yOk = false;
    const int x = at.section(QLatin1Char(','), 0, 0).toInt(&xOk);
    const int y = at.section(QLatin1Char(','), 1).toInt(&yOk);
    if (!xOk || !yOk || x < 0 || x >= 200 || y < 0 || y >= 100)
        reader.fail(QStringLiteral("--at takes X,Y on the dial's 200 by 100 canvas, such as "
                                   "100,50, not \"%1\"")
                        .arg(at));
    key.tapX = x;
    key.tapY = y;
}

// A state the host knows: 0 or 1, of an action of two states.
int readState(ArgumentReader &reader, const QString &option)
{
    const int state = reader.number(option, 0);
    if (state > 1)
        reader.fail(QStringLiteral("%1 takes 0 or 1: the host knows two states at most, not %2")
                        .arg(option)
                        .arg(state));
    return state;
}

} // namespace

QString KeyAction::eventOf(const QString &word)
{
    for (const auto &entry : keyWords) {
        if (word == entry.word)
            return entry.event;
    }
    return QString();
}

bool KeyAction::isDialWord(const QString &word)
{
    return isDialEvent(eventOf(word));
}

KeyAction KeyAction::read(ArgumentReader &reader, const QString &word, const HostDevice &device)
{
    KeyAction key;
    key.event = eventOf(word);
    key.action = reader.value(word);
    key.device = device.id;
    bool resourcesGiven = false;
    while (!reader.atEnd()) {
        if (reader.peekIs(QStringLiteral("--settings")))
            key.settings = reader.object(reader.next());
        else if (reader.peekIs(QStringLiteral("--context")))
            key.context = reader.value(reader.next());
        else if (reader.peekIs(QStringLiteral("--device")))
            key.device = reader.value(reader.next());
        else if (reader.peekIs(QStringLiteral("--state")))
            key.state = readState(reader, reader.next());
        else if (reader.peekIs(QStringLiteral("--column")))
            key.column = reader.number(reader.next(), 0);
        else if (reader.peekIs(QStringLiteral("--row")))
            key.row = reader.number(reader.next(), 0);
        else if (reader.peekIs(QStringLiteral("--title")))
            key.userTitle = reader.value(reader.next());
        else if (reader.peekIs(QStringLiteral("--multi-action")))
            key.inMultiAction = !reader.next().isEmpty();
        else if (reader.peekIs(QStringLiteral("--desired-state")))
            key.desiredState = readState(reader, reader.next());
        else if (word == QLatin1String("appear") && reader.peekIs(QStringLiteral("--for")))
            key.forMs = reader.number(reader.next(), 0);
        else if (word == QLatin1String("rotate") && reader.peekIs(QStringLiteral("--ticks")))
            key.ticks = reader.signedNumber(reader.next());
        else if (word == QLatin1String("rotate") && reader.peekIs(QStringLiteral("--pressed")))
            key.pressed = !reader.next().isEmpty();
        else if (word == QLatin1String("tap") && reader.peekIs(QStringLiteral("--at")))
            readTapPosition(reader, key);
        else if (word == QLatin1String("tap") && reader.peekIs(QStringLiteral("--hold")))
            key.hold = !reader.next().isEmpty();
        else if (word == QLatin1String("resources") &&
                 reader.peekIs(QStringLiteral("--resources"))) {
            key.resources = reader.object(reader.next());
            resourcesGiven = true;
        } else
            break;
    }
    if (word == QLatin1String("rotate") && key.ticks == 0)
        reader.fail(QStringLiteral("rotate needs --ticks N, a whole number other than 0 "
                                   "(negative turns counter-clockwise)"));
    if (word == QLatin1String("resources") && !resourcesGiven)
        reader.fail(QStringLiteral("resources needs --resources JSON, the action's resources"));
    if (key.desiredState >= 0 && !key.inMultiAction)
        reader.fail(QStringLiteral("--desired-state is the state a user chose for a step of a "
                                   "multi-action: give --multi-action too"));
    return key;
}

QString KeyAction::text(const QString &eventName, const QString &context) const
{
    const QString plain =
        actionEvent(eventName, action, context, device, settings, state, column, row);
    const bool dial = isDialEvent(eventName);
    const bool withResources = eventName == QLatin1String("didReceiveResources");
    if (userTitle.isEmpty() && !inMultiAction && !dial && !withResources)
        return plain;
    QJsonObject message = QJsonDocument::fromJson(plain.toUtf8()).object();
    QJsonObject payload = message.value(QLatin1String("payload")).toObject();
    if (dial)
        payload.insert(QStringLiteral("controller"), QStringLiteral("Encoder"));
    if (eventName == QLatin1String("dialRotate")) {
        payload.insert(QStringLiteral("ticks"), ticks);
        payload.insert(QStringLiteral("pressed"), pressed);
    } else if (eventName == QLatin1String("touchTap")) {
        payload.insert(QStringLiteral("tapPos"), QJsonArray{tapX, tapY});
        payload.insert(QStringLiteral("hold"), hold);
    } else if (withResources) {
        payload.insert(QStringLiteral("resources"), resources);
    }
    // The user's title is the stand-in's own word; the key store takes it out again.
    if (!userTitle.isEmpty())
        payload.insert(QStringLiteral("userTitle"), userTitle);
    if (inMultiAction) {
        payload.insert(QStringLiteral("isInMultiAction"), true);
        const bool press =
            eventName == QLatin1String("keyDown") || eventName == QLatin1String("keyUp");
        if (press && desiredState >= 0)
            payload.insert(QStringLiteral("userDesiredState"), desiredState);
    }
    message.insert(QStringLiteral("payload"), payload);
    return QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact));
}
