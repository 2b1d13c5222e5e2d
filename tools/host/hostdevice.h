#pragma once

#include <QJsonObject>
#include <QString>

// The device keyscript-host plays, as the host describes it to the plugin: in -info, and in
// deviceDidConnect and deviceDidChange.
struct HostDevice
{
    QString id = QStringLiteral("device-1");
    QString name = QStringLiteral("keyscript-host");
    int columns = 5;
    int rows = 3;
    int dials = 0; // under the keys, with the touch strip above them

    // The host's number for the kind of device: the one with dials for a device with dials,
    // else the one of its size (the standard device of 5 by 3 keys, and any other size).
    int type() const;
    // {"name", "size": {"columns", "rows"}, "type"}, as the host's events carry it.
    QJsonObject info() const;
    // The host's event of this device, such as deviceDidConnect: {"device", "deviceInfo",
    // "event"}.
    QString event(const QString &name) const;
};
