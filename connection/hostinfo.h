#pragma once

#include <QHash>
#include <QJsonObject>
#include <QString>

// What the host tells of itself and its devices: the -info text at launch, then each device's
// deviceDidConnect and deviceDidChange.
class HostInfo
{
public:
    // -info: {"plugin":{"uuid":...},"devices":[{"id","name","size":{"columns","rows"},"type"}]}.
    // Text that is no such object tells nothing.
    void readInfo(const QString &info);
    // A device's deviceInfo, {"name","size":{"columns","rows"},"type"}, as it is now.
    void deviceChanged(const QString &device, const QJsonObject &deviceInfo);

    // The plugin's UUID as its manifest gives it (not the one it registers with).
    const QString &pluginUuid() const { return uuid; }
    // The device's last known deviceInfo; empty for one the host has not told of.
    QJsonObject device(const QString &device) const { return devices.value(device); }

private:
    QString uuid;
    QHash<QString, QJsonObject> devices;
};
