#include "hostinfo.h"

#include <QJsonArray>
#include <QJsonDocument>

void HostInfo::readInfo(const QString &info)
{
    const QJsonObject object = QJsonDocument::fromJson(info.toUtf8()).object();
    uuid = object.value(QLatin1String("plugin")).toObject().value(QLatin1String("uuid")).toString();
    const QJsonArray listed = object.value(QLatin1String("devices")).toArray();
    for (const QJsonValue &entry : listed) {
        QJsonObject device = entry.toObject();
        const QString id = device.take(QLatin1String("id")).toString();
        if (!id.isEmpty())
            devices.insert(id, device);
    }
}

void HostInfo::deviceChanged(const QString &device, const QJsonObject &deviceInfo)
{
    if (!device.isEmpty())
        devices.insert(device, deviceInfo);
}
