#include "pluginfolder.h"

// The host has no Linux version: there is no plugins folder to install into.
QString PluginFolder::hostPluginsFolder()
{
    return QString();
}
