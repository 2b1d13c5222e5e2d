#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QProcessEnvironment>

class QStreamDeckPlugin;
class ScriptProcess;
struct KeyEvent;
struct QStreamDeckAction;

// Owns the running scripts. For each event of a key it starts that event's script, if there is
// one, and lets its output drive the key. An appear script may keep running while its key is
// visible: at most one per key, ended when the key disappears or the host goes. While the host
// is not taking what was sent, no script's output is read. Scripts still running when the runner
// goes are ended.
class ScriptRunner : public QObject
{
    Q_OBJECT
public:
    // While more than this waits to be written to the host, no script's output is read.
    static constexpr qint64 maxHostBacklog = 1024 * 1024;

    explicit ScriptRunner(QStreamDeckPlugin *streamDeck, QObject *parent = nullptr);
    // Asks every running script to end and kills what still runs after 2 s. Nothing they print
    // from now on is interpreted.
    ~ScriptRunner() override;

    void onKeyDown(const QStreamDeckAction &a); // runs cmd/<action>
    void onKeyUp(const QStreamDeckAction &a);   // and these cmd/<action>@<event>
    void onWillAppear(const QStreamDeckAction &a);
    void onWillDisappear(const QStreamDeckAction &a);
    void onDidReceiveSettings(const QStreamDeckAction &a);

private:
    // Starts the event's script; nullptr when there is none or it could not start.
    ScriptProcess *run(const KeyEvent &event);
    // Ends the appear script of a key; returns it while it still runs.
    ScriptProcess *endAppearScript(const QString &context);
    void onHostDisconnected();
    void updateBackpressure();

    QPointer<QStreamDeckPlugin> streamDeck;
    // The plugin's own environment, read once: it does not change while the plugin runs.
    const QProcessEnvironment baseEnvironment;
    QHash<QString, QPointer<ScriptProcess>> appearScripts; // by context
    bool hostBusy = false;
};
