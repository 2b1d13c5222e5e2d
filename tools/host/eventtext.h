#pragma once

#include <QJsonObject>
#include <QString>

// An event of a key as the host sends it; a state below 0 is left out.
QString actionEvent(const QString &event, const QString &action, const QString &context,
                    const QString &device, const QJsonObject &settings, int state = -1,
                    int column = 0, int row = 0);
// A key press as the host sends it.
QString keyDownEvent(const QString &action, const QString &context, const QString &device,
                     const QJsonObject &settings);
// The -info text the host starts a plugin with: the application, its colours, the display's
// pixel ratio, the devices (one of columns by rows keys, id device) and the plugin.
QString hostInfo(const QString &device, int columns, int rows, const QString &pluginUuid,
                 const QString &pluginVersion);
