#include "esdpluginmodel.h"

#include <utility>

ESDPluginModel::ESDPluginModel(int port, QString uuid, QString event, QString info)
    : port(port)
    , uuid(std::move(uuid))
    , event(std::move(event))
    , info(std::move(info))
{
}

bool ESDPluginModel::fromJson(const QJsonObject &json)
{
    // All four keys or nothing: a refused read leaves the record as it was.
    for (const char *key : {"port", "uuid", "event", "info"}) {
        if (!json.contains(QLatin1String(key)))
            return false;
    }
    port = json[QLatin1String("port")].toInt(0);
    uuid = json[QLatin1String("uuid")].toString();
    event = json[QLatin1String("event")].toString();
    info = json[QLatin1String("info")].toString();
    return true;
}

bool ESDPluginModel::isValid() const
{
    return port > 0 && !uuid.isEmpty() && !event.isEmpty() && !info.isEmpty();
}
