#pragma once

#include <QString>

// A deep link to the plugin: streamdeck://plugins/message/<UUID> (the UUID of its manifest), then
// a path, a query and a fragment. Anything on the computer may open one; the host hands it to
// the plugin of that UUID as didReceiveDeepLink, its url the part after the UUID.
struct DeepLink
{
    QString url; // whole
    // As the URL has them, percent-escapes kept.
    QString path;
    QString query;
    QString fragment;

    // The link the plugin was sent: payloadUrl is the part after the UUID ("/hello?x=1"), or
    // the whole URL as a host may send it.
    static DeepLink fromPayload(const QString &payloadUrl, const QString &pluginUuid);

    // The host's side: the didReceiveDeepLink message the plugin of pluginUuid is sent for url;
    // empty, with why in refusal, when url is no deep link of that plugin.
    static QString event(const QString &url, const QString &pluginUuid, QString *refusal);
};
