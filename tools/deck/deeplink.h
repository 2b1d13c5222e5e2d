#pragma once

#include <QString>

// A deep link as the host hands it to a plugin: streamdeck://plugins/message/<PLUGIN_UUID>
// followed by a path, a query and a fragment reaches the plugin of that UUID as
// didReceiveDeepLink, its url the part after the UUID.
class DeepLink
{
public:
    // The event the plugin of pluginUuid is sent for url; empty, with why in refusal, when url
    // is no deep link of that plugin.
    static QString event(const QString &url, const QString &pluginUuid, QString *refusal);
};
