#pragma once

#include <QObject>
#include <QPointer>

class QStreamDeckPlugin;
class ScriptProcess;
struct QStreamDeckAction;

// Owns the running scripts: starts an action's script for a key, lets its output drive that key,
// holds every script's output back while the host is not taking what was sent, and ends the
// scripts that still run when it goes.
class ScriptRunner : public QObject
{
    Q_OBJECT
public:
    // While more than this waits to be written to the host, no script's output is read.
    static constexpr qint64 maxHostBacklog = 1024 * 1024;
    // How long scripts that are asked to end may take before they are killed.
    static constexpr int endGraceMs = 2000;

    explicit ScriptRunner(QStreamDeckPlugin *streamDeck, QObject *parent = nullptr);
    // Asks every running script to end and kills what still runs after endGraceMs. Nothing they
    // print from now on is interpreted.
    ~ScriptRunner() override;

    // A key press: runs the action's script with the key's settings.
    void onKeyDown(const QStreamDeckAction &a);

private:
    void updateBackpressure();

    QPointer<QStreamDeckPlugin> streamDeck;
    bool hostBusy = false;
};
