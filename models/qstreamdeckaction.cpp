#include "qstreamdeckaction.h"

bool QStreamDeckAction::fromJson(const QJsonObject &json)
{
    // Every field is overwritten: a missing or mistyped member leaves it empty.
    action = json["action"].toString();
    device = json["device"].toString();
    event = json["event"].toString();
    context = json["context"].toString();
    payload = json["payload"].toObject();
    return true;
}
