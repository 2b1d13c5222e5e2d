#pragma once

#include "hostoptions.h"
#include "keystore.h"
#include "pluginlog.h"

#include <QElapsedTimer>
#include <QHash>
#include <QLockFile>
#include <QObject>
#include <QProcess>
#include <QTextStream>
#include <QTimer>

#include <QWebSocketServer>

#include <memory>
#include <optional>

struct PluginManifest;

class QWebSocket;

// One run of keyscript-host: starts the plugin, checks its registration, sends the events and
// prints what comes back until the plugin has been quiet for a while.
class HostSession : public QObject
{
    Q_OBJECT
public:
    enum ExitCode {
        Done = 0,
        UsageError = 2,
        RegistrationFailed = 3,
        PluginEnded = 4,
        NoScript = 5,
        ImageNotSaved = 6,
        TimedOut = 7,
        ScriptFailed = 8, // with --strict
        Interrupted = 130
    };

    explicit HostSession(HostOptions options, QObject *parent = nullptr);

    // Starts listening and the plugin; the outcome arrives through finished().
    void start();
    // One line of interactive input: the press shorthand or a raw JSON event.
    void inputLine(const QString &line);
    void inputClosed();
    // Ends the plugin if it still runs and removes the temporary working directory: for a run
    // that ends otherwise than through finished(), by a signal or at the end of input.
    void stop();
    bool hasFinished() const { return ended; }
    // Reads --keep FILE, once; false, the run failed and said why, when it cannot be used.
    bool loadKeys();

    // For the deck: sends one event of a key (with its settings and state, as kept), and what
    // is kept of the keys.
    void sendEvent(const QString &event);
    KeyStore &keyStore() { return keys; }
    // The picture the host shows on a key of action in state before the plugin draws one, as a
    // data URI: the manifest's image of that state; empty without one.
    QString stateImage(const QString &action, int state) const;
    // A dial's layout as the deck draws it: the name of one of the host's ($B1), or a layout
    // file's items ({"items": [...]}); the script's, else its action's in the manifest.
    QJsonValue dialLayout(const KeyStore::Key &key) const;
    // The plugin's shared settings, as the host sends them: after its getGlobalSettings, and
    // when a settings page sets them.
    void sendGlobalSettings();
    const QString &info() const { return options.info; } // what -info told the plugin
    bool isRegistered() const { return registered; }

Q_SIGNALS:
    void finished(int exitCode);
    // The plugin has registered; events may go.
    void ready();
    // A message from the plugin, and a line of its log.
    void pluginMessage(const QJsonObject &message);
    void pluginLogLine(const QString &line);

private:
    void onNewConnection();
    void onMessage(const QString &message);
    void onRegistration(const QString &message);
    void onPluginFinished(int exitCode, QProcess::ExitStatus status);
    void onPluginError(QProcess::ProcessError error);
    void send(const QString &event);
    void onQuiet();
    void onTimeout();
    void onLogLine(const QString &line);
    void queue(const HostOptions &parsed);
    // Allows the scripts typed into Run and Watch keys among the events, in keyscript-host's
    // own list (TrustedScripts::configFolder(): keyscript-host's own configuration folder, or
    // KEYSCRIPT_CONFIG_DIR), which the plugin is told to read.
    void approveTyped(const HostOptions::Round &round);
    void sendMore();
    bool allSent() const;
    void sendLater(const QList<HostOptions::Delayed> &delayed);
    QString saveImage(const QJsonObject &message);
    void fail(int exitCode, const QString &message);
    void endPlugin();
    // The manifest the host would read: the one the maker makes of --cmd, else the one of the
    // plugin's folder; none without either.
    std::optional<PluginManifest> readManifest() const;
    void keepKeys();
    void keepSoon(); // writes the kept keys a second from now, unless that is asked already
    QTimer keepTimer;
    QString keepNote;    // said once while it holds
    QStringList secrets; // the settings the scripts declare secret, shown as dots
    void finish(int exitCode);

    HostOptions options;
    QWebSocketServer server;
    QWebSocket *socket = nullptr;
    QProcess plugin;
    QTimer registrationTimer;
    QTimer quietTimer;
    QTimer overallTimer;
    QElapsedTimer runClock; // since the start, for --timeout where timers come late
    QTextStream out;
    PluginLog log;
    std::unique_ptr<QLockFile> keepLock; // held while the run keeps its keys in --keep FILE
    KeyStore keys;
    bool pausing = false; // a "wait" of the events is under way
    bool keysLoaded = false;
    // Rounds of events still to send, in order, with how often each; and the one being sent.
    // They are sent as the plugin takes them: --repeat may ask for millions.
    struct Rounds
    {
        HostOptions::Round round;
        int count;
        bool spaced; // a key's presses wait for its last one's scripts
    };
    QList<Rounds> toSend;
    QStringList sending;
    qsizetype sendingNext = 0;
    int pendingDelayed = 0; // events still to be sent later
    // A key pressed again in the events asked for waits, as a person's second press does, until
    // the scripts of its last press have ended: counted from the plugin's log.
    struct Press
    {
        int starts;  // scripts started when it was sent
        int running; // and running then
        QElapsedTimer since;
    };
    QHash<QString, Press> pressed; // by context
    // The keys in view, by context: their willAppear, which the host sends again once the
    // computer wakes up; and what sends it.
    QHash<QString, QString> visibleKeys;
    HostDevice changedDevice; // as the events asked for so far leave it
    void keepTrackOfView(const QString &prepared);
    bool spacing = false; // the events of the command line, not --repeat's rounds
    int scriptStarts = 0;
    int scriptEnds = 0;
    bool mustSpace(const QString &event);
    int savedImages = 0;
    bool missingScript = false;
    bool imageNotSaved = false;
    bool scriptFailed = false;
    bool registered = false;
    bool inputOpen = false;
    bool ended = false;
};
