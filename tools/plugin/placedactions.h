#pragma once

#include "pluginplan.h"

#include <QString>
#include <QStringList>

// Keys a user placed name their action's UUID: an action that goes from a plugin (a script
// renamed or removed), or that moves to a plugin of another UUID, leaves those keys as keys of
// a missing action. Each line says one such case, for the plugin about to be made in outDir.
QStringList placedActionsAtRisk(const PluginPlan &plan, const QString &outDir);
