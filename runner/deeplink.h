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

    // The link the plugin was sent: payloadUrl is the part after "<UUID>/" ("hello?x=1"), as the
    // host's plugin reference gives it; a leading "/" and a whole URL are taken as well. The path
    // starts with "/" unless it is empty.
    static DeepLink fromPayload(const QString &payloadUrl, const QString &pluginUuid);

    // The host's side: the didReceiveDeepLink message the plugin is sent for url, whose "url" is
    // what follows "<UUID>/". Empty, with why in refusal, when url is no deep link, or one for
    // another UUID than pluginUuid (unless that is empty: any UUID).
    static QString event(const QString &url, const QString &pluginUuid, QString *refusal);
};
