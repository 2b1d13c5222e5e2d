#include "esdeventmodel.h"

bool ESDEventModel::fromJson(const QJsonObject &json)
{
    event = json[QLatin1String("event")].toString();
    // Unlike the other records, a missing payload keeps what the record held.
    if (json.contains(QLatin1String("payload")))
        payload = json[QLatin1String("payload")].toObject();
    return true;
}
