#include "plugin.h"

#include "launcharguments.h"

Plugin::Plugin()
    : QObject(nullptr)
    , streamDeck(nullptr)
    , runner(&streamDeck, this)
{
}

// The members go in reverse order, so the host would hear "Normal exit" only after the scripts
// had been ended (which may take a while); it hears it first.
Plugin::~Plugin()
{
    streamDeck.closeConnection();
}

bool Plugin::init(const LaunchArguments &arguments)
{
    streamDeck.setLaunchValues(arguments.port, arguments.pluginUUID, arguments.registerEvent,
                               arguments.info);
    if (!streamDeck.connectToHost())
        return false;
    connect(&streamDeck, &QStreamDeckPlugin::keyDown, this, &Plugin::onKeyDown);
    // The key's other events run scripts of their own, when the action has them.
    connect(&streamDeck, &QStreamDeckPlugin::keyUp, &runner, &ScriptRunner::onKeyUp);
    connect(&streamDeck, &QStreamDeckPlugin::willAppear, &runner, &ScriptRunner::onWillAppear);
    connect(&streamDeck, &QStreamDeckPlugin::willDisappear, &runner,
            &ScriptRunner::onWillDisappear);
    connect(&streamDeck, &QStreamDeckPlugin::didReceiveSettings, &runner,
            &ScriptRunner::onDidReceiveSettings);
    connect(&streamDeck, &QStreamDeckPlugin::titleParametersDidChange, &runner,
            &ScriptRunner::onTitleParametersDidChange);
    connect(&streamDeck, &QStreamDeckPlugin::didReceiveGlobalSettings, &runner,
            &ScriptRunner::onDidReceiveGlobalSettings);
    // A key's settings page hears of its key's scripts.
    connect(&streamDeck, &QStreamDeckPlugin::propertyInspectorDidAppear, &runner,
            &ScriptRunner::onPropertyInspectorDidAppear);
    connect(&streamDeck, &QStreamDeckPlugin::propertyInspectorDidDisappear, &runner,
            &ScriptRunner::onPropertyInspectorDidDisappear);
    connect(&streamDeck, &QStreamDeckPlugin::sendToPlugin, &runner, &ScriptRunner::onSendToPlugin);
    // What the host sends the whole plugin: applications, deep links, devices, waking up.
    connect(&streamDeck, &QStreamDeckPlugin::applicationDidLaunch, &runner,
            &ScriptRunner::onApplicationEvent);
    connect(&streamDeck, &QStreamDeckPlugin::applicationDidTerminate, &runner,
            &ScriptRunner::onApplicationEvent);
    connect(&streamDeck, &QStreamDeckPlugin::systemDidWakeUp, &runner,
            &ScriptRunner::onSystemDidWakeUp);
    streamDeck.setHostEventHandler([this](const QString &event, const QJsonObject &message) {
        runner.onHostEvent(event, message);
    });
    // A dial's turns, pushes and taps.
    streamDeck.setDialHandler([this](const QStreamDeckAction &a) { runner.onDialEvent(a); });
    return true;
}

void Plugin::onKeyDown(const QStreamDeckAction &a)
{
    runner.onKeyDown(a);
}
