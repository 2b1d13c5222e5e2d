#include "deeplink.h"

#include "connection/compactjson.h"

#include <QJsonObject>

namespace {
const QString scheme = QStringLiteral("streamdeck://plugins/message/");
} // namespace

DeepLink DeepLink::fromPayload(const QString &payloadUrl, const QString &pluginUuid)
{
    const QString prefix = scheme + pluginUuid;
    DeepLink link;
    QString rest = payloadUrl;
    if (payloadUrl.startsWith(QLatin1String("streamdeck:"), Qt::CaseInsensitive)) {
        link.url = payloadUrl;
        rest = payloadUrl.startsWith(prefix, Qt::CaseInsensitive) ? payloadUrl.mid(prefix.size())
                                                                  : QString();
    } else {
        const bool separated = payloadUrl.isEmpty() || payloadUrl.startsWith(QLatin1Char('/')) ||
                               payloadUrl.startsWith(QLatin1Char('?')) ||
                               payloadUrl.startsWith(QLatin1Char('#'));
        rest = separated ? payloadUrl : QLatin1Char('/') + payloadUrl;
        link.url = prefix + rest;
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

QString DeepLink::event(const QString &url, const QString &pluginUuid, QString *refusal)
{
    const QString &prefix = scheme;
    const QString link = url.trimmed();
    if (!link.startsWith(prefix, Qt::CaseInsensitive) || link.size() == prefix.size() ||
        QStringLiteral("/?#").contains(link.at(prefix.size()))) {
        *refusal = QStringLiteral("not a deep link: it starts with %1<PLUGIN_UUID>").arg(prefix);
        return QString();
    }
    // The UUID ends where the path, the query or the fragment begins.
    qsizetype end = prefix.size();
    while (end < link.size() && !QStringLiteral("/?#").contains(link.at(end)))
        ++end;
    const QString uuid = link.mid(prefix.size(), end - prefix.size());
    if (!pluginUuid.isEmpty() && uuid != pluginUuid) {
        *refusal = QStringLiteral("that link is for the plugin %1; this one is %2")
                       .arg(uuid.isEmpty() ? QStringLiteral("(none)") : uuid, pluginUuid);
        return QString();
    }
    // The host leaves the prefix out, its "/" too: the plugin is given the path, query and
    // fragment.
    QString rest = link.mid(end);
    if (rest.startsWith(QLatin1Char('/')))
        rest.remove(0, 1);
    return compactJson({{QStringLiteral("event"), QStringLiteral("didReceiveDeepLink")},
                        {QStringLiteral("payload"), QJsonObject{{QStringLiteral("url"), rest}}}});
}
