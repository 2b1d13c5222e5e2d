// PluginPlan: the scripts one system has and the other lacks.
#include "pluginplan.h"

#include <QFileInfo>
#include <QSet>

void PluginPlan::noteOneSystemEvents(const QHash<QString, QStringList> &otherSystem)
{
    static const QHash<QString, QString> when{
        {QString(), QStringLiteral("does nothing when pressed")},
        {QStringLiteral("keyUp"), QStringLiteral("does nothing when released")},
        {QStringLiteral("willAppear"), QStringLiteral("does nothing when it appears")},
        {QStringLiteral("willDisappear"), QStringLiteral("does nothing when it goes")},
        {QStringLiteral("didReceiveSettings"),
         QStringLiteral("does nothing when its settings change")},
        {QStringLiteral("dialRotate"), QStringLiteral("does nothing when turned")},
        {QStringLiteral("dialDown"), QStringLiteral("does nothing when pushed")},
        {QStringLiteral("dialUp"), QStringLiteral("does nothing when let go")},
        {QStringLiteral("touchTap"), QStringLiteral("does nothing when touched")}};
    const bool forWindows = system == PluginSystem::Windows;
    const auto stemOf = [](const QString &file, bool windowsFile) {
        return windowsFile ? QFileInfo(file).completeBaseName() : file;
    };
    for (const PluginAction &action : std::as_const(actions)) {
        QSet<QString> here;
        for (const QString &script : action.scripts)
            here << stemOf(script, forWindows);
        QSet<QString> said;
        for (const QString &script : otherSystem.value(action.uuid)) {
            const QString stem = stemOf(script, !forWindows);
            if (here.contains(stem) || said.contains(stem))
                continue;
            said << stem;
            const QString event = stem.section(QLatin1Char('@'), 1);
            notes << QStringLiteral("%1: no %2 script, so a %2 key %3")
                         .arg(stem,
                              forWindows ? QStringLiteral("Windows") : QStringLiteral("macOS"),
                              when.value(event, QStringLiteral("does nothing on ") + event));
        }
    }
}
