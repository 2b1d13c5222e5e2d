#include "esddevicemodel.h"

bool ESDDeviceModel::fromJson(const QJsonObject &json)
{
    device = json[QLatin1String("device")].toString();
    event = json[QLatin1String("event")].toString();
    deviceInfo = json[QLatin1String("deviceInfo")].toObject();
    return true;
}
