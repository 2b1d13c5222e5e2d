#include "placedactions.h"

#include <QDir>

#include <algorithm>
#include <optional>

namespace {

bool planHas(const PluginPlan &plan, const QString &uuid)
{
    return std::any_of(plan.actions.cbegin(), plan.actions.cend(),
                       [&uuid](const PluginAction &a) { return a.uuid == uuid; });
}

} // namespace

QStringList placedActionsAtRisk(const PluginPlan &plan, const QString &outDir)
{
    QStringList risks;
    const QDir out(outDir);
    // The plugin made before: an action it has and the new one has not goes.
    if (const std::optional<PluginManifest> old =
            PluginManifest::read(out.filePath(plan.folderName()))) {
        QStringList gone;
        for (const PluginManifest::Action &action : old->actions) {
            if (!planHas(plan, action.uuid))
                gone << QStringLiteral("%1 (\"%2\")").arg(action.uuid, action.name);
        }
        if (!gone.isEmpty())
            risks << QStringLiteral("%1 has actions these scripts no longer make: %2")
                         .arg(QDir::toNativeSeparators(out.filePath(plan.folderName())),
                              gone.join(QStringLiteral(", ")));
    }
    // Another plugin beside it with actions of the same UUIDs: made before under another
    // --uuid. The host would have the actions twice, and drop the old keys with the old plugin.
    for (const QString &name : out.entryList({QStringLiteral("*.sdPlugin")}, QDir::Dirs)) {
        if (name == plan.folderName())
            continue;
        const std::optional<PluginManifest> other = PluginManifest::read(out.filePath(name));
        if (!other)
            continue;
        QStringList shared;
        for (const PluginManifest::Action &action : other->actions) {
            if (planHas(plan, action.uuid))
                shared << action.uuid;
        }
        if (!shared.isEmpty())
            risks << QStringLiteral("%1 (plugin %2) has the same actions: %3; was it made with "
                                    "another --uuid?")
                         .arg(QDir::toNativeSeparators(out.filePath(name)), other->uuid,
                              shared.join(QStringLiteral(", ")));
    }
    return risks;
}
