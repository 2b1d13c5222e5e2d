#pragma once

#include "hostdevice.h"

#include <QJsonObject>
#include <QString>

// An event of a key as the host sends it; a state below 0 is left out.
QString actionEvent(const QString &event, const QString &action, const QString &context,
                    const QString &device, const QJsonObject &settings, int state = -1,
                    int column = 0, int row = 0);
// A key press as the host sends it.
QString keyDownEvent(const QString &action, const QString &context, const QString &device,
                     const QJsonObject &settings);
// An event of the host itself, of no key: {"event", "payload"}, without a payload when it is
// empty (systemDidWakeUp).
QString hostEvent(const QString &event, const QJsonObject &payload = {});
// The -info text the host starts a plugin with: the application, its colours, the display's
// pixel ratio, the devices (the one played) and the plugin (its manifest's UUID and version).
QString hostInfo(const HostDevice &device, const QString &pluginUuid, const QString &pluginVersion);
