#include "deeplink.h"

#include "connection/compactjson.h"

#include <QJsonObject>

QString DeepLink::event(const QString &url, const QString &pluginUuid, QString *refusal)
{
    const QString prefix = QStringLiteral("streamdeck://plugins/message/");
    const QString link = url.trimmed();
    if (!link.startsWith(prefix, Qt::CaseInsensitive)) {
        *refusal = QStringLiteral("not a deep link: it starts with %1<PLUGIN_UUID>").arg(prefix);
        return QString();
    }
    // The UUID ends where the path, the query or the fragment begins.
    qsizetype end = prefix.size();
    while (end < link.size() && !QStringLiteral("/?#").contains(link.at(end)))
        ++end;
    const QString uuid = link.mid(prefix.size(), end - prefix.size());
    if (uuid != pluginUuid) {
        *refusal = QStringLiteral("that link is for the plugin %1; this one is %2")
                       .arg(uuid.isEmpty() ? QStringLiteral("(none)") : uuid, pluginUuid);
        return QString();
    }
    // The host leaves the prefix out: the plugin is given the path, query and fragment.
    return compactJson(
        {{QStringLiteral("event"), QStringLiteral("didReceiveDeepLink")},
         {QStringLiteral("payload"), QJsonObject{{QStringLiteral("url"), link.mid(end)}}}});
}
