#include "esddevicemodel.h"

bool ESDDeviceModel::fromJson(const QJsonObject &json)
{
    device = json["device"].toString();
    event = json["event"].toString();
    deviceInfo = json["deviceInfo"].toObject();
    return true;
}
