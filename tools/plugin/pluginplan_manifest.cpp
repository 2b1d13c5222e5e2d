// The manifest of a plugin folder: what the host reads to list the plugin and its actions.
#include "pluginplan.h"

#include <QFileInfo>
#include <QJsonArray>

QJsonObject PluginPlan::manifest() const
{
    QJsonArray actionList;
    for (const PluginAction &action : actions) {
        // The host finds an image by its path without the extension.
        const QString image =
            action.image.isEmpty() ? QString() : QLatin1String("images/actions/") + action.uuid;
        QJsonObject state{
            {QStringLiteral("Image"), image.isEmpty() ? QStringLiteral("images/key") : image}};
        QJsonArray states{state};
        if (action.states == 2)
            states << state;
        QJsonObject entry{
            {QStringLiteral("UUID"), action.uuid},
            {QStringLiteral("Name"), action.name},
            {QStringLiteral("Icon"), image.isEmpty() ? QStringLiteral("images/action") : image},
            {QStringLiteral("States"), states},
            {QStringLiteral("Controllers"), QJsonArray{QStringLiteral("Keypad")}},
        };
        if (!action.tooltip.isEmpty())
            entry.insert(QStringLiteral("Tooltip"), action.tooltip);
        // Two states are the scripts' to set (setState); the host's own flip on every press
        // would fight them.
        if (action.states == 2)
            entry.insert(QStringLiteral("DisableAutomaticStates"), true);
        actionList << entry;
    }

    const bool windows = system == PluginSystem::Windows;
    QJsonObject manifest{
        {QStringLiteral("UUID"), identity.uuid},
        {QStringLiteral("Name"), identity.name},
        {QStringLiteral("Version"), identity.version},
        {QStringLiteral("Author"), identity.author},
        {QStringLiteral("Description"), identity.description},
        {QStringLiteral("Icon"), QStringLiteral("images/plugin")},
        {QStringLiteral("Category"), identity.name},
        {QStringLiteral("CategoryIcon"), QStringLiteral("images/category")},
        // One page for every action: a key's settings, and why its script failed.
        {QStringLiteral("PropertyInspectorPath"), QStringLiteral("settings.html")},
        // Some hosts read CodePath only, so it names this folder's program too.
        {QStringLiteral("CodePath"), codePath()},
        {windows ? QStringLiteral("CodePathWin") : QStringLiteral("CodePathMac"), codePath()},
        {QStringLiteral("SDKVersion"), 2},
        {QStringLiteral("Software"), QJsonObject{{QStringLiteral("MinimumVersion"), "6.4"}}},
        {QStringLiteral("OS"),
         QJsonArray{QJsonObject{
             {QStringLiteral("Platform"), windows ? QStringLiteral("windows") : "mac"},
             {QStringLiteral("MinimumVersion"), windows ? QStringLiteral("10") : "12"}}}},
        {QStringLiteral("Actions"), actionList},
    };
    return manifest;
}
