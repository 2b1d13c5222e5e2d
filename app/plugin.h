#pragma once

#include "connection/qstreamdeckplugin.h"
#include "models/qstreamdeckaction.h"
#include "runner/scriptrunner.h"

#include <QObject>

struct LaunchArguments;

// The application object: connects to the host and hands each event of a key to the runner of
// its scripts.
class Plugin : public QObject
{
    Q_OBJECT
public:
    Plugin();
    // Closes the host connection first, then ends the scripts that still run.
    ~Plugin() override;

    // Hands the launch values to the host connection and connects; false when they are incomplete.
    bool init(const LaunchArguments &arguments);

public Q_SLOTS:
    void onKeyDown(const QStreamDeckAction &a);

private:
    QStreamDeckPlugin streamDeck;
    ScriptRunner runner; // a child, so the scripts it runs are the Plugin's descendants
};
