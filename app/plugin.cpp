#include "plugin.h"

#include "launcharguments.h"

// onKeyDown lives with the rest of the key-press handling in runner/.

Plugin::Plugin()
    : QObject(nullptr)
    , streamDeck(nullptr)
{
}

// streamDeck goes first, then the QObject base deletes the script processes still running.
Plugin::~Plugin() = default;

bool Plugin::init(const LaunchArguments &arguments)
{
    streamDeck.setLaunchValues(arguments.port, arguments.pluginUUID, arguments.registerEvent,
                               arguments.info);
    if (!streamDeck.connectToHost())
        return false;
    connect(&streamDeck, &QStreamDeckPlugin::keyDown, this, &Plugin::onKeyDown);
    return true;
}
