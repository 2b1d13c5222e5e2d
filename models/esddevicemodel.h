#pragma once

#include "idatamodel.h"

#include <QJsonObject>
#include <QString>

// A device connecting or disconnecting.
class ESDDeviceModel : private IDataModel
{
public:
    bool fromJson(const QJsonObject &json) override;

    QString event;
    QString device;
    QJsonObject deviceInfo;
};
