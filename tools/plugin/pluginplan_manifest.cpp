// The manifest of a plugin folder: what the host reads to list the plugin and its actions.
#include "pluginplan.h"

PluginManifest PluginPlan::pluginManifest() const
{
    PluginManifest manifest;
    manifest.uuid = identity.uuid;
    manifest.name = identity.name;
    manifest.version = identity.version;
    manifest.author = identity.author;
    manifest.description = identity.description;
    manifest.codePath = codePath();
    manifest.supportUrl = identity.supportUrl;
    manifest.windows = system == PluginSystem::Windows;
    for (const PluginAction &action : actions) {
        // The host finds an image by its path without the extension. The action list's icon
        // is keyscript's monochrome one unless the author drew one for it: a key's coloured
        // picture is no icon there.
        PluginManifest::Action entry;
        entry.uuid = action.uuid;
        entry.name = action.name;
        entry.tooltip = action.tooltip;
        entry.icon = action.icon.isEmpty() ? QStringLiteral("images/action") : action.icon;
        for (const QString &image : action.stateImages)
            entry.stateImages << (image.isEmpty() ? QStringLiteral("images/key") : image);
        entry.stateNames = action.stateNames;
        if (action.dial) {
            entry.controllers =
                action.keypad ? QStringList{QStringLiteral("Keypad"), QStringLiteral("Encoder")}
                              : QStringList{QStringLiteral("Encoder")};
            // A layout file is the scripts' copy in cmd/; the host's own go by their names.
            entry.encoderLayout = action.layout.isEmpty() ? QStringLiteral("$X1")
                                  : action.layout.startsWith('$')
                                      ? action.layout
                                      : QLatin1String("cmd/") + action.layout;
            entry.encoderIcon =
                action.dialIcon.isEmpty() ? QStringLiteral("images/action") : action.dialIcon;
            entry.triggerDescription = action.triggerDescription;
        }
        // Two states are the scripts' to set (setState); the host's own flip on every press
        // would fight them.
        entry.automaticStates = action.states != 2;
        entry.userTitleEnabled = action.userTitle;
        manifest.actions << entry;
        for (const QString &script : action.scripts) {
            if (script.section(QLatin1Char('@'), 1).startsWith(QLatin1String("didReceiveDeepLink")))
                manifest.hearsDeepLinks = true;
        }
    }
    for (const QString &profile : profiles)
        manifest.profiles << PluginManifest::Profile{profile,
                                                     profileTypes.value(profile).deviceType};
    manifest.watchedMac = watchedMac;
    manifest.watchedWindows = watchedWindows;
    return manifest;
}

QJsonObject PluginPlan::manifest() const
{
    return pluginManifest().toJson();
}
