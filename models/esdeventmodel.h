#pragma once

#include "idatamodel.h"

#include <QJsonObject>
#include <QString>

// An application-level or system event.
class ESDEventModel : private IDataModel
{
public:
    bool fromJson(const QJsonObject &json) override;

    QString event;
    QJsonObject payload;
};
