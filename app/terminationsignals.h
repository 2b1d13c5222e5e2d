#pragma once

#include <QObject>

// Turns the ways a plugin is asked to end into a return from the event loop, so that the
// orderly teardown runs: the host hears "Normal exit" and the scripts are ended. On Unix these
// are SIGTERM, SIGINT and SIGHUP; on Windows the console's Ctrl+C, Ctrl+Break, close, log-off
// and shut-down events. Lives for the whole run, and is destroyed after the teardown it waits
// for.
class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;
};
