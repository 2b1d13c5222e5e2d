#include "hostdevice.h"

#include <QJsonDocument>

namespace {
// The host's numbers for the kinds of device keyscript-host plays.
enum DeviceType { Standard = 0, Mini = 1, XL = 2, WithDials = 7 };
} // namespace

int HostDevice::type() const
{
    if (dials > 0)
        return WithDials;
    if (columns == 3 && rows == 2)
        return Mini;
    if (columns == 8 && rows == 4)
        return XL;
    return Standard;
}

QJsonObject HostDevice::info() const
{
    return QJsonObject{{QStringLiteral("name"), name},
                       {QStringLiteral("size"), QJsonObject{{QStringLiteral("columns"), columns},
                                                            {QStringLiteral("rows"), rows}}},
                       {QStringLiteral("type"), type()}};
}

QString HostDevice::event(const QString &eventName) const
{
    const QJsonObject message{{QStringLiteral("event"), eventName},
                              {QStringLiteral("device"), id},
                              {QStringLiteral("deviceInfo"), info()}};
    return QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact));
}
