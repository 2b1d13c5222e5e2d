#include "keyevent.h"

#include "scriptlookup.h"

#include "models/qstreamdeckaction.h"

KeyEvent KeyEvent::from(QLatin1String event, const QStreamDeckAction &action)
{
    return KeyEvent{event, action.action, action.context, action.device, action.payload};
}

QString KeyEvent::scriptName() const
{
    return isKeyPress() ? action : action + QLatin1Char('@') + event;
}

bool KeyEvent::isDialEvent() const
{
    return ::isDialEvent(event);
}

bool KeyEvent::drawsOnStrip() const
{
    return isDialEvent() ||
           payload.value(QLatin1String("controller")).toString() == QLatin1String("Encoder");
}
