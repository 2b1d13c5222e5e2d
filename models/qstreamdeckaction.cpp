#include "qstreamdeckaction.h"

bool QStreamDeckAction::fromJson(const QJsonObject &json)
{
    // Every field is overwritten: a missing or mistyped member leaves it empty.
    action = json[QLatin1String("action")].toString();
    device = json[QLatin1String("device")].toString();
    event = json[QLatin1String("event")].toString();
    context = json[QLatin1String("context")].toString();
    payload = json[QLatin1String("payload")].toObject();
    return true;
}
