#include "pluginmanifest.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QVersionNumber>

#include <algorithm>

namespace {
QLatin1String key(const char *name)
{
    return QLatin1String(name);
}

// The host version that first reads each field the maker may write, from the host's manifest
// schema: a field of the manifest, of an action or of a profile. 6.4 is the oldest host the
// schema knows, and it reads dials (Encoder), monitored applications and profiles already.
// Profiles' AutoInstall (6.6) is never written: a profile is installed with the plugin.
const struct
{
    const char *field;
    const char *version;
} firstReadBy[] = {
    {"Actions", "6.4"},  {"Encoder", "6.4"},  {"ApplicationsToMonitor", "6.4"},
    {"Profiles", "6.4"}, {"Readonly", "6.4"}, {"SupportURL", "6.9"},
};

// Whether the manifest, one of its actions or one of its profiles has the field.
bool uses(const QJsonObject &manifest, const QLatin1String &field)
{
    if (manifest.contains(field))
        return true;
    for (const char *list : {"Actions", "Profiles"}) {
        for (const QJsonValue &entry : manifest.value(key(list)).toArray()) {
            if (entry.toObject().contains(field))
                return true;
        }
    }
    return false;
}
} // namespace

QString PluginManifest::minimumHostVersion(const QJsonObject &manifest)
{
    QVersionNumber newest;
    for (const auto &row : firstReadBy) {
        const QVersionNumber version = QVersionNumber::fromString(QLatin1String(row.version));
        if (uses(manifest, key(row.field)) && version > newest)
            newest = version;
    }
    return newest.toString();
}

const PluginManifest::Action *PluginManifest::action(const QString &uuid) const
{
    const auto it = std::find_if(actions.cbegin(), actions.cend(),
                                 [&uuid](const Action &a) { return a.uuid == uuid; });
    return it == actions.cend() ? nullptr : &*it;
}

bool PluginManifest::hasProfile(const QString &name) const
{
    return std::any_of(profiles.cbegin(), profiles.cend(),
                       [&name](const Profile &p) { return p.name == name; });
}

QJsonObject PluginManifest::toJson() const
{
    QJsonArray actionList;
    for (const Action &action : actions) {
        QJsonArray states;
        for (qsizetype state = 0; state < action.stateImages.size(); ++state) {
            QJsonObject entry{{key("Image"), action.stateImages.at(state)}};
            if (state < action.stateNames.size())
                entry.insert(key("Name"), action.stateNames.at(state));
            states << entry;
        }
        QJsonObject entry{
            {key("UUID"), action.uuid},
            {key("Name"), action.name},
            {key("Icon"), action.icon},
            {key("States"), states},
            {key("Controllers"), QJsonArray::fromStringList(action.controllers)},
        };
        if (action.controllers.contains(QLatin1String("Encoder"))) {
            QJsonObject encoder{{key("layout"), action.encoderLayout},
                                {key("Icon"), action.encoderIcon}};
            if (!action.triggerDescription.isEmpty())
                encoder.insert(key("TriggerDescription"), action.triggerDescription);
            entry.insert(key("Encoder"), encoder);
        }
        if (!action.tooltip.isEmpty())
            entry.insert(key("Tooltip"), action.tooltip);
        if (action.stateImages.size() == 2 && !action.automaticStates)
            entry.insert(key("DisableAutomaticStates"), true);
        if (!action.userTitleEnabled)
            entry.insert(key("UserTitleEnabled"), false);
        actionList << entry;
    }

    QJsonObject manifest{
        {key("UUID"), uuid},
        {key("Name"), name},
        {key("Version"), version},
        {key("Author"), author},
        {key("Description"), description},
        {key("Icon"), QStringLiteral("images/plugin")},
        {key("Category"), name},
        {key("CategoryIcon"), QStringLiteral("images/category")},
        // One page for every action: a key's settings, and why its script failed.
        {key("PropertyInspectorPath"), QStringLiteral("settings.html")},
        // Some hosts read CodePath only, so it names this folder's program too.
        {key("CodePath"), codePath},
        {windows ? key("CodePathWin") : key("CodePathMac"), codePath},
        {key("SDKVersion"), 2},
        {key("OS"),
         QJsonArray{QJsonObject{{key("Platform"), windows ? QStringLiteral("windows") : "mac"},
                                {key("MinimumVersion"), windows ? QStringLiteral("10") : "12"}}}},
        {key("Actions"), actionList},
    };
    if (!supportUrl.isEmpty())
        manifest.insert(key("SupportURL"), supportUrl);
    QJsonObject watched;
    if (!watchedMac.isEmpty())
        watched.insert(key("mac"), QJsonArray::fromStringList(watchedMac));
    if (!watchedWindows.isEmpty())
        watched.insert(key("windows"), QJsonArray::fromStringList(watchedWindows));
    if (!watched.isEmpty())
        manifest.insert(key("ApplicationsToMonitor"), watched);
    if (!profiles.isEmpty()) {
        QJsonArray profileList;
        for (const Profile &profile : profiles)
            profileList << QJsonObject{{key("Name"), profile.name},
                                       {key("DeviceType"), profile.deviceType},
                                       {key("Readonly"), false},
                                       {key("DontAutoSwitchWhenInstalled"), true}};
        manifest.insert(key("Profiles"), profileList);
    }
    // The host refuses a field newer than the version the manifest asks for.
    QString minimum = minimumHostVersion(manifest);
    if (hearsDeepLinks && QVersionNumber::fromString(minimum) < QVersionNumber(6, 5))
        minimum = QStringLiteral("6.5"); // the first host that sends didReceiveDeepLink
    manifest.insert(key("Software"), QJsonObject{{key("MinimumVersion"), minimum}});
    return manifest;
}

PluginManifest PluginManifest::fromJson(const QJsonObject &json)
{
    PluginManifest manifest;
    manifest.uuid = json.value(key("UUID")).toString();
    manifest.name = json.value(key("Name")).toString();
    manifest.version = json.value(key("Version")).toString();
    manifest.author = json.value(key("Author")).toString();
    manifest.description = json.value(key("Description")).toString();
    manifest.codePath = json.value(key("CodePath")).toString();
    manifest.supportUrl = json.value(key("SupportURL")).toString();
    manifest.windows = json.contains(key("CodePathWin"));
    const QJsonObject watched = json.value(key("ApplicationsToMonitor")).toObject();
    for (const QJsonValue &app : watched.value(key("mac")).toArray())
        manifest.watchedMac << app.toString();
    for (const QJsonValue &app : watched.value(key("windows")).toArray())
        manifest.watchedWindows << app.toString();
    for (const QJsonValue &value : json.value(key("Actions")).toArray()) {
        const QJsonObject entry = value.toObject();
        Action action;
        action.uuid = entry.value(key("UUID")).toString();
        action.name = entry.value(key("Name")).toString();
        action.tooltip = entry.value(key("Tooltip")).toString();
        action.icon = entry.value(key("Icon")).toString();
        for (const QJsonValue &state : entry.value(key("States")).toArray()) {
            action.stateImages << state.toObject().value(key("Image")).toString();
            if (state.toObject().contains(key("Name")))
                action.stateNames << state.toObject().value(key("Name")).toString();
        }
        action.automaticStates = !entry.value(key("DisableAutomaticStates")).toBool(false);
        action.userTitleEnabled = entry.value(key("UserTitleEnabled")).toBool(true);
        if (entry.contains(key("Controllers"))) {
            action.controllers.clear();
            for (const QJsonValue &controller : entry.value(key("Controllers")).toArray())
                action.controllers << controller.toString();
        }
        const QJsonObject encoder = entry.value(key("Encoder")).toObject();
        action.encoderLayout = encoder.value(key("layout")).toString();
        action.encoderIcon = encoder.value(key("Icon")).toString();
        action.triggerDescription = encoder.value(key("TriggerDescription")).toObject();
        manifest.actions << action;
    }
    for (const QJsonValue &value : json.value(key("Profiles")).toArray()) {
        const QJsonObject entry = value.toObject();
        manifest.profiles << Profile{entry.value(key("Name")).toString(),
                                     entry.value(key("DeviceType")).toInt(0)};
    }
    return manifest;
}

std::optional<PluginManifest> PluginManifest::read(const QString &folder)
{
    QFile file(QDir(folder).filePath(QStringLiteral("manifest.json")));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    if (!document.isObject())
        return std::nullopt;
    return fromJson(document.object());
}
