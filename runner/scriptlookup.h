#pragma once

#include <QString>

// Where an action's script would be: the application directory, "/../cmd/", the action UUID.
// The ".." is kept, so the path shows where the plugin looked.
QString scriptBasePath(const QString &applicationDir, const QString &action);

// Whether an action UUID may name a file in cmd/. The UUID comes from the host's message, so
// one that could leave the directory ("..", a separator, a NUL) names no script.
bool isScriptName(const QString &action);

// The script for an action: the first of ".exe", ".bat" and no suffix that exists behind the
// base path; empty when there is none or the action cannot name one.
QString findScript(const QString &applicationDir, const QString &action);
