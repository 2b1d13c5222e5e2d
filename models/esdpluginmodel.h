#pragma once

#include "idatamodel.h"

#include <QString>

// The plugin's own launch values.
class ESDPluginModel : private IDataModel
{
public:
    ESDPluginModel() = default;
    ESDPluginModel(int port, QString uuid, QString event, QString info);

    bool fromJson(const QJsonObject &json) override;

    // Complete enough to connect: a positive port and three non-empty texts.
    bool isValid() const;

    int port = 0;
    QString uuid;
    QString event;
    QString info; // the host's JSON text, kept as text and never parsed
};
