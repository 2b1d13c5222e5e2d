#pragma once

#include "connection/qstreamdeckplugin.h"
#include "models/qstreamdeckaction.h"

#include <QObject>

struct LaunchArguments;

// The application object: connects to the host and runs an action's script on each key press.
class Plugin : public QObject
{
    Q_OBJECT
public:
    Plugin();
    ~Plugin() override;

    // Hands the launch values to the host connection and connects; false when they are incomplete.
    bool init(const LaunchArguments &arguments);

public Q_SLOTS:
    void onKeyDown(const QStreamDeckAction &a);

private:
    QStreamDeckPlugin streamDeck;
};
