#pragma once

#include <QProcessEnvironment>

// The environment every script starts from: the plugin's own, and on macOS the tool folders
// people expect on the PATH (toolfolders.h).
QProcessEnvironment scriptEnvironment();
