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
