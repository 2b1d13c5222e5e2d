#pragma once

#include "headercache.h"
#include "keyevent.h"
#include "keyorder.h"
#include "keystatus.h"
#include "scriptdirectory.h"
#include "scriptsettings.h"
#include "trustedscripts.h"
#include "typedscriptfiles.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QProcessEnvironment>
#include <QQueue>
#include <QSet>
#include <QTimer>

#include <memory>

class QStreamDeckPlugin;
class ScriptOutput;
class ScriptProcess;
struct QStreamDeckAction;
struct TypedScript;

// Owns the running scripts. For each event of a key it starts that event's script, if there is
// one, and lets its output drive the key. An appear script may keep running while its key is
// visible: at most one per key, ended when the key disappears or the host goes, and told the
// key's later events on its standard input. A key's scripts keep its order: its keyUp script
// follows the keyDown scripts before it, its appear script the clean-up of its last appearance.
// While the host is not taking what was sent, no script's output is read. At most maxRunning
// scripts run at once; later events wait their turn in order. An appear script whose header
// says "every: 5s" runs again that long after its last run began, once that has ended, while its
// key is visible. Scripts still running when the runner goes are ended.
class ScriptRunner : public QObject
{
    Q_OBJECT
public:
    // Well above the keys of any device, and well below what a usual limit of 1024 open files
    // lets the plugin start (each running script holds a few).
    static constexpr int maxRunning = 128;
    // Events waiting for a script to end, beyond which new ones are dropped (a key's
    // willDisappear never is: it ends the key's appear script).
    static constexpr int maxWaiting = 16384;

    explicit ScriptRunner(QStreamDeckPlugin *streamDeck, QObject *parent = nullptr);
    // Asks every running script to end and kills what still runs after 2 s. Nothing they print
    // from now on is interpreted.
    ~ScriptRunner() override;

    void onKeyDown(const QStreamDeckAction &a); // runs cmd/<action>
    void onKeyUp(const QStreamDeckAction &a);   // and these cmd/<action>@<event>
    // dialRotate, dialDown, dialUp and touchTap: a dial's scripts run one at a time, in order,
    // and the turns that come while its dialRotate script runs are added up for the next run.
    void onDialEvent(const QStreamDeckAction &a);
    void onWillAppear(const QStreamDeckAction &a);
    void onWillDisappear(const QStreamDeckAction &a);
    void onDidReceiveSettings(const QStreamDeckAction &a);
    void onTitleParametersDidChange(const QStreamDeckAction &a); // only told to appear scripts
    // The plugin's shared settings: every appear script that runs is told.
    void onDidReceiveGlobalSettings(const QStreamDeckAction &a);

    // A key's settings page: while it is open, it is sent the key's status, and each run of
    // the key's scripts as it ends.
    void onPropertyInspectorDidAppear(const QStreamDeckAction &a);
    void onPropertyInspectorDidDisappear(const QStreamDeckAction &a);
    void onSendToPlugin(const QStreamDeckAction &a); // the page asks for the status again

    // The host's events that no one key has. A deep link (didReceiveDeepLink) and an
    // application launched or ended run cmd/<action>@<event> once for each action that has
    // it, whose lines act on every visible key of the action; every live appear script hears
    // them. deviceDidChange is told to the live scripts of the device's keys, didReceiveResources
    // to its key's, systemDidWakeUp to all.
    void onHostEvent(const QString &event, const QJsonObject &message);
    void onApplicationEvent(const QString &event, QJsonObject &payload);
    void onSystemDidWakeUp();

private:
    // Handles the event now, or when a script has ended if maxRunning run or others wait.
    void handle(const KeyEvent &event);
    void runPluginEvent(const QString &event, const QJsonObject &payload);
    QList<KeyEvent> visibleKeysOf(const QString &action) const;
    void dispatch(const KeyEvent &event);
    void appear(const KeyEvent &event);
    void disappear(const KeyEvent &event);
    void startWaiting();
    // Writes the event to the standard input of its key's appear script, if one runs, or holds
    // it for the key's next appear script while that waits to start.
    void tellAppearScript(const KeyEvent &event);
    // Ends what a key's new appearance or its disappearance ends at once, without waiting
    // for a place: the appear script it had, and an appear script that waited to start.
    void endAppearance(const KeyEvent &event);
    // Says, once while events wait, that maxRunning scripts run and which run longest.
    void reportFull();
    // Whether the listing knows the event's action and has no script of it for the event: the
    // common case of many events, which need nothing done.
    bool listedWithoutScript(const KeyEvent &event);
    // Whether a PowerShell script's header asks for PowerShell 7 ("keyscript shell: pwsh").
    bool wantsPowerShell7(const QString &script);
    // What the scripts of the action declare in their headers, as its key's page shows it.
    ScriptSettings::Declared declaredFor(const QString &action);
    // The key's settings a script started for the event gets.
    QJsonObject newestSettings(const KeyEvent &event) const;
    // Starts the event's script; nullptr when there is none or it could not start.
    ScriptProcess *run(const KeyEvent &event);
    // Starts program for the event, or with typed its interpreter for it.
    ScriptProcess *start(const KeyEvent &event, const QString &program,
                         const TypedScript *typed = nullptr);
    // The script typed on the key, for Run and Watch keys: once this computer's user has
    // allowed it, else the key asks for a review.
    ScriptProcess *runTyped(const KeyEvent &event);
    void askForReview(const KeyEvent &event);
    // What a typed script's run shows on its key: its last line that is no command as title
    // (or on a dial's strip), the alert or check mark, and Watch's state.
    // shown: the title the run's output showed already as it came (ScriptOutput::shownTitle).
    void showTypedOutcome(const KeyEvent &event, const ScriptRun &run, bool titleSet,
                          const QString &shown);
    // The page's "approve" (a script typed or allowed there) and "runNow".
    void onTypedRequest(const QStreamDeckAction &a);
    // After an approval or new settings: a Watch key that waits for review runs now.
    void runReviewed(const QString &context);
    QJsonObject typedStatus(const QString &action, const QString &context);
    TrustedScripts &trusted();
    // How long after a run began a visible key's appear script runs again; 0: it does not.
    qint64 pollIntervalMs(const KeyEvent &event, const QString &script);
    // Ends the appear script of a key; returns it while it still runs.
    ScriptProcess *endAppearScript(const QString &context);
    void onHostDisconnected();
    void onOutput(ScriptProcess *script, const QByteArray &chunk);
    void onDone(ScriptProcess *script);
    void pauseOutput();
    void resumeOutput();
    // A run of a key's script has ended, or the script could not start.
    void recordRun(const KeyEvent &event, const QString &script, ScriptRun run,
                   bool titleSet = false, const QString &shownTitle = QString());
    // Keeps the run for the key's page, and tells the page when it is open.
    void tellPage(const KeyEvent &event, const QString &script, ScriptRun run);
    void sendStatus(const QString &action, const QString &context);
    void askStatus(const QString &action, const QString &context);
    void sendAskedStatus();

    QPointer<QStreamDeckPlugin> streamDeck;
    ScriptDirectory scripts;
    // The environment scripts start from, read once: it does not change while the plugin runs.
    const QProcessEnvironment baseEnvironment;
    QHash<ScriptProcess *, std::shared_ptr<ScriptOutput>> outputs; // the scripts that run
    QQueue<KeyEvent> waiting;
    int droppedEvents = 0;
    bool hostBusy = false;
    bool resuming = false;
    bool startingWaiting = false;

    // By context: the key's live appear script, its keyDown scripts that run, the clean-up of
    // its last appearance while it lasts, and an appear script waiting for that clean-up.
    QHash<QString, QPointer<ScriptProcess>> appearScripts;
    QHash<QString, QList<QPointer<QObject>>> presses;
    // Each dial's running event script and the events waiting for it, by context.
    struct DialEvents
    {
        QPointer<QObject> running;
        QList<KeyEvent> waiting;
    };
    QHash<QString, DialEvents> dials;
    void dial(const KeyEvent &event);
    bool startDialEvent(const KeyEvent &event);
    void dialScriptDone(const QString &context);
    QHash<QString, QPointer<QObject>> cleanUps;
    QHash<QString, QPointer<QObject>> waitingAppears;
    // Appear scripts ended before their willDisappear could run: its clean-up follows them.
    QHash<QString, QPointer<ScriptProcess>> endingAppears;
    // By context: the events for a key's next appear script while it waits to start.
    struct Held
    {
        QList<QByteArray> lines;
        qint64 bytes = 0;
        int dropped = 0;
    };
    QHash<QString, Held> held;
    bool fullSaid = false;
    KeyOrder order;
    KeyStatus status;
    HeaderCache headers;
    bool unknownRequestSaid = false;
    QHash<QString, QString> statusAsked; // action by context, until answered
    // By context: the key's appearance while it is visible, with its latest settings, and the
    // timer of its next run when its appear script runs again every so often.
    QHash<QString, KeyEvent> visible;
    QHash<QString, QPointer<QObject>> polls;
    void followVisibility(const KeyEvent &event);
    void pollLater(const QString &context, qint64 ms);
    bool statusQueued = false;
    QJsonObject sharedHeard; // the shared settings the host last sent
    // Until the host has answered the plugin's request for its shared settings, or a second
    // has passed since the plugin connected, events wait: a first script would see none.
    static constexpr int sharedWaitMs = 1000;
    bool sharedKnown = false;
    QTimer sharedWait;
    void sharedArrived();
    std::unique_ptr<TrustedScripts> trust; // read at the first typed script
    TypedScriptFiles typedFiles;
    QSet<QString> reviewing; // keys whose typed script waits to be allowed
};
