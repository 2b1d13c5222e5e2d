// PluginPlan: what scripts say of the whole plugin rather than of their action: the device
// type of a profile it ships, and the applications the host watches for it.
#include "pluginplan.h"

#include <algorithm>

void PluginPlan::readPluginHeaders(const QString &script, const ScriptHeader &header)
{
    for (const ScriptHeader::Field &field : header.profiles) {
        const QString name = ScriptHeader::profileName(field.value);
        const int deviceType = ScriptHeader::profileDeviceType(field.value);
        const auto where =
            QStringLiteral("%1: line %2: \"keyscript profile:\"").arg(script).arg(field.line);
        if (!profiles.contains(name)) {
            errors << QStringLiteral("%1 names profiles/%2.streamDeckProfile, which is not in the "
                                     "scripts' folder")
                          .arg(where, name);
        } else if (const auto it = profileTypes.constFind(name);
                   it != profileTypes.cend() && it->deviceType != deviceType) {
            errors << QStringLiteral("%1 says %2 is for device type %3, but %4 line %5 says %6")
                          .arg(where, name)
                          .arg(deviceType)
                          .arg(it->script)
                          .arg(it->line)
                          .arg(it->deviceType);
        } else if (it == profileTypes.cend()) {
            profileTypes.insert(name, ProfileType{deviceType, script, field.line});
        }
    }
    for (const ScriptHeader::Field &field : header.watchApps) {
        QStringList &list = ScriptHeader::isMacApp(field.value) ? watchedMac : watchedWindows;
        // Windows names a program in any letter case; a bundle identifier is exact.
        const Qt::CaseSensitivity cs =
            &list == &watchedMac ? Qt::CaseSensitive : Qt::CaseInsensitive;
        if (!list.contains(field.value, cs))
            list << field.value;
    }
}

void PluginPlan::orderWatchedApps()
{
    // The order of the scripts' folder is no order of the manifest: the same apps, the same text.
    for (QStringList *list : {&watchedMac, &watchedWindows})
        std::sort(list->begin(), list->end(), [](const QString &a, const QString &b) {
            const int order = a.compare(b, Qt::CaseInsensitive);
            return order != 0 ? order < 0 : a < b;
        });
}
