#include "hostvariables.h"

#include "connection/hostinfo.h"
#include "deeplink.h"
#include "keyevent.h"

#include <QJsonObject>

void insertHostVariables(QProcessEnvironment &environment, const KeyEvent &event,
                         const HostInfo &host)
{
    const QString prefix = QStringLiteral("KEYSCRIPT_");
    const QJsonObject device = host.device(event.device);
    if (!device.isEmpty()) {
        const QJsonObject size = device.value(QLatin1String("size")).toObject();
        environment.insert(prefix + QLatin1String("DEVICE_TYPE"),
                           QString::number(device.value(QLatin1String("type")).toInt()));
        environment.insert(prefix + QLatin1String("DEVICE_NAME"),
                           device.value(QLatin1String("name")).toString());
        environment.insert(prefix + QLatin1String("DEVICE_COLUMNS"),
                           QString::number(size.value(QLatin1String("columns")).toInt()));
        environment.insert(prefix + QLatin1String("DEVICE_ROWS"),
                           QString::number(size.value(QLatin1String("rows")).toInt()));
    }
    if (event.event == QLatin1String("didReceiveDeepLink")) {
        const DeepLink link = DeepLink::fromPayload(
            event.payload.value(QLatin1String("url")).toString(), host.pluginUuid());
        environment.insert(prefix + QLatin1String("URL"), link.url);
        environment.insert(prefix + QLatin1String("URL_PATH"), link.path);
        environment.insert(prefix + QLatin1String("URL_QUERY"), link.query);
        environment.insert(prefix + QLatin1String("URL_FRAGMENT"), link.fragment);
    }
    if (event.event.startsWith(QLatin1String("application")))
        environment.insert(prefix + QLatin1String("APPLICATION"),
                           event.payload.value(QLatin1String("application")).toString());
}
