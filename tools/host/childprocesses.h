#pragma once

#include <QtGlobal>

// Whether the process pid has children that still run: for keyscript-host, whether the plugin
// still runs scripts.
bool hasRunningChildren(qint64 pid);
