#pragma once

#include "idatamodel.h"

#include <QJsonObject>
#include <QMetaType>
#include <QString>

// One action instance on one key, as the host describes it in an action event.
struct QStreamDeckAction : public IDataModel
{
    QString action;  // the action's UUID; names its script
    QString context; // the instance on its key; commands for the key carry it back
    QString device;
    QString event;
    QJsonObject payload;

    bool fromJson(const QJsonObject &json) override;
};

Q_DECLARE_METATYPE(QStreamDeckAction)
