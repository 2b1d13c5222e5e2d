#include "hostvariables.h"

#include "connection/hostinfo.h"
#include "keyevent.h"

#include <QJsonObject>

DeepLink DeepLink::fromPayload(const QString &payloadUrl, const QString &pluginUuid)
{
    const QString prefix = QStringLiteral("streamdeck://plugins/message/") + pluginUuid;
    DeepLink link;
    QString rest = payloadUrl;
    if (payloadUrl.startsWith(QLatin1String("streamdeck:"), Qt::CaseInsensitive)) {
        link.url = payloadUrl;
        rest = payloadUrl.startsWith(prefix, Qt::CaseInsensitive) ? payloadUrl.mid(prefix.size())
                                                                  : QString();
    } else {
        link.url = prefix + payloadUrl;
    }
    const qsizetype hash = rest.indexOf(QLatin1Char('#'));
    if (hash >= 0) {
        link.fragment = rest.mid(hash + 1);
        rest.truncate(hash);
    }
    const qsizetype question = rest.indexOf(QLatin1Char('?'));
    if (question >= 0) {
        link.query = rest.mid(question + 1);
        rest.truncate(question);
    }
    link.path = rest;
    return link;
}

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
