#pragma once

#include <QString>

// The four values the host starts the plugin with.
struct LaunchArguments
{
    int port;
    QString pluginUUID;
    QString registerEvent;
    QString info; // JSON text from the host, passed on as text
};
