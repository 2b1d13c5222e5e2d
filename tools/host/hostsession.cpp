#include "hostsession.h"

#include "childprocesses.h"
#include "dataimage.h"
#include "messageformat.h"

#include "connection/compactjson.h"
#include "runner/secretmask.h"
#include "runner/trustedscripts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QRegularExpression>

#include <QJsonDocument>
#include <QJsonObject>
#include <QWebSocket>

#include <cstdio>

HostSession::HostSession(HostOptions options, QObject *parent)
    : QObject(parent)
    , options(std::move(options))
    , server(QStringLiteral("keyscript-host"), QWebSocketServer::NonSecureMode)
    , out(stdout)
{
    inputOpen = this->options.interactive;
    changedDevice = this->options.changedDevice;
    queue(this->options); // interactive input comes after
    registrationTimer.setSingleShot(true);
    quietTimer.setSingleShot(true);
    overallTimer.setSingleShot(true);
    // Windows holds back a coarse timer's message while others keep coming, as they do while
    // many events are sent; a precise one comes on time.
    overallTimer.setTimerType(Qt::PreciseTimer);
    connect(&server, &QWebSocketServer::newConnection, this, &HostSession::onNewConnection);
    connect(&registrationTimer, &QTimer::timeout, this, [this] {
        fail(RegistrationFailed, QStringLiteral("no registration from the plugin within %1 ms")
                                     .arg(this->options.timeoutMs));
    });
    connect(&quietTimer, &QTimer::timeout, this, &HostSession::onQuiet);
    keepTimer.setSingleShot(true);
    connect(&keepTimer, &QTimer::timeout, this, &HostSession::keepKeys);
    connect(&overallTimer, &QTimer::timeout, this, &HostSession::onTimeout);
    connect(&log, &PluginLog::line, this, &HostSession::onLogLine);
    connect(&log, &PluginLog::line, this, &HostSession::pluginLogLine);
    connect(&plugin, &QProcess::finished, this, &HostSession::onPluginFinished);
    connect(&plugin, &QProcess::errorOccurred, this, &HostSession::onPluginError);
}

void HostSession::start()
{
    if (!server.listen(QHostAddress::LocalHost, 0)) {
        fail(UsageError, QStringLiteral("cannot listen on 127.0.0.1: ") + server.errorString());
        return;
    }
    if (options.verbose) {
        plugin.setProcessChannelMode(QProcess::ForwardedChannels);
    } else {
        plugin.setStandardOutputFile(QProcess::nullDevice());
        plugin.setStandardErrorFile(QProcess::nullDevice());
    }
    if (const std::optional<PluginManifest> manifest = readManifest()) {
        keys.setManifest(*manifest);
        // The host tells the plugin its UUID and version as its manifest gives them.
        if (!options.infoGiven && !manifest->uuid.isEmpty())
            options.info = hostInfo(options.device, manifest->uuid,
                                    manifest->version.isEmpty() ? QStringLiteral(KEYSCRIPT_VERSION)
                                                                : manifest->version);
    }
    // What the scripts declare secret is shown as dots in what keyscript-host prints.
    secrets = SecretMask::declaredIn(
        options.cmdDir.isEmpty() ? QFileInfo(options.plugin).absoluteDir().filePath("../cmd")
                                 : options.cmdDir);
    if (!loadKeys())
        return;
    plugin.setWorkingDirectory(log.workingDirectory());
    // The plugin looks up scripts in the author's own folder.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("KEYSCRIPT_CMD_DIR"));
    if (!options.cmdDir.isEmpty())
        environment.insert(QStringLiteral("KEYSCRIPT_CMD_DIR"), options.cmdDir);
    environment.insert(QStringLiteral("KEYSCRIPT_CONFIG_DIR"), TrustedScripts::configFolder());
    plugin.setProcessEnvironment(environment);
    log.start();
    endsWithThisProcess(plugin);
    plugin.start(options.plugin,
                 {QStringLiteral("-port"), QString::number(server.serverPort()),
                  QStringLiteral("-pluginUUID"), options.uuid, QStringLiteral("-registerEvent"),
                  options.registerEvent, QStringLiteral("-info"), options.info});
    tieToThisProcess(plugin);
    registrationTimer.start(options.timeoutMs);
    if (!options.deck || options.timeoutGiven)
        overallTimer.start(options.timeoutMs); // the whole run, from its start
    runClock.start();
}

void HostSession::onNewConnection()
{
    while (QWebSocket *next = server.nextPendingConnection()) {
        if (socket) { // one plugin, one connection
            next->close(QWebSocketProtocol::CloseCodePolicyViolated);
            next->deleteLater();
            continue;
        }
        socket = next;
        socket->setParent(this);
        connect(socket, &QWebSocket::textMessageReceived, this, &HostSession::onMessage);
    }
}

void HostSession::onMessage(const QString &message)
{
    if (!registered) {
        onRegistration(message);
        return;
    }
    log.poll(); // the plugin logs before it sends: keep the two in order
    const QJsonObject command = QJsonDocument::fromJson(message.toUtf8()).object();
    // The host answers the plugin's request for its shared settings; a script asked nothing.
    if (command.value(QLatin1String("event")).toString() == QLatin1String("getGlobalSettings")) {
        sendGlobalSettings();
        return;
    }
    const QString refused = keys.apply(command);
    keepSoon();
    emit pluginMessage(command);
    const QJsonObject masked = SecretMask::maskedMessage(command, secrets);
    const QString shown = masked.isEmpty() ? message : compactJson(masked);
    QString line = options.json ? shown : readableMessage(shown);
    if (!refused.isEmpty())
        line += QStringLiteral(" (refused: %1)").arg(refused);
    if (!options.saveImagesDir.isEmpty()) {
        const QString file = saveImage(command);
        if (!file.isEmpty())
            line += QStringLiteral(" saved=") + file;
    }
    out << line << Qt::endl;
    quietTimer.start(options.quietMs);
}

void HostSession::sendGlobalSettings()
{
    if (socket)
        socket->sendTextMessage(compactJson(
            QJsonObject{{QStringLiteral("event"), QStringLiteral("didReceiveGlobalSettings")},
                        {QStringLiteral("payload"),
                         QJsonObject{{QStringLiteral("settings"), keys.globalSettings()}}}}));
}

QString HostSession::saveImage(const QJsonObject &message)
{
    if (message.value(QStringLiteral("event")).toString() != QLatin1String("setImage"))
        return QString();
    const QString uri = message.value(QStringLiteral("payload"))
                            .toObject()
                            .value(QStringLiteral("image"))
                            .toString();
    const DataImage image = DataImage::fromUri(uri);
    if (image.type.isEmpty())
        return QString();
    QString context = message.value(QStringLiteral("context")).toString();
    context.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9._-]")), QStringLiteral("_"));
    const QString path =
        QDir(options.saveImagesDir)
            .filePath(
                QStringLiteral("%1-%2.%3").arg(context).arg(++savedImages).arg(image.suffix()));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(image.bytes) != image.bytes.size()) {
        fprintf(stderr, "keyscript-host: cannot write %s: %s\n", qPrintable(path),
                qPrintable(file.errorString()));
        imageNotSaved = true;
        return QString();
    }
    return path;
}

void HostSession::onRegistration(const QString &message)
{
    const QJsonObject registration = QJsonDocument::fromJson(message.toUtf8()).object();
    const QString uuid = registration.value(QStringLiteral("uuid")).toString();
    const QString event = registration.value(QStringLiteral("event")).toString();
    if (event != options.registerEvent || uuid != options.uuid) {
        fail(RegistrationFailed,
             QStringLiteral("the plugin registered with %1, expected event \"%2\" and uuid \"%3\"")
                 .arg(message, options.registerEvent, options.uuid));
        return;
    }
    registered = true;
    registrationTimer.stop();
    connect(socket, &QWebSocket::bytesWritten, this, &HostSession::sendMore);
    // The host tells a plugin that starts of each device connected.
    send(options.device.event(QStringLiteral("deviceDidConnect")));
    sendMore();
    emit ready();
    if (!options.deck) // the deck ends when it is asked to
        quietTimer.start(options.quietMs);
}

void HostSession::onTimeout()
{
    // Interactive input sets its own pace, unless a time limit was asked for. Before the
    // registration, the registration timer says what went wrong.
    if (registered && (!inputOpen || options.timeoutGiven))
        fail(TimedOut,
             QStringLiteral("the run was cut short at --timeout %1 ms").arg(options.timeoutMs));
}

void HostSession::onQuiet()
{
    if (options.deck || inputOpen || pendingDelayed > 0 || !allSent())
        return;
    // A script that still runs, a live key among them, may have more to say.
    if (hasRunningChildren(plugin.processId()))
        quietTimer.start(options.quietMs);
    else
        finish(Done);
}

void HostSession::onPluginFinished(int exitCode, QProcess::ExitStatus status)
{
    if (ended)
        return;
    if (!registered) {
        fail(RegistrationFailed,
             status == QProcess::CrashExit
                 ? QStringLiteral("the plugin crashed before it registered")
                 : QStringLiteral("the plugin exited with code %1 before it registered")
                       .arg(exitCode));
        return;
    }
    // The host ends its plugins; a plugin that ends by itself has failed.
    fail(PluginEnded, status == QProcess::CrashExit
                          ? QStringLiteral("the plugin crashed or was killed")
                          : QStringLiteral("the plugin exited with code %1").arg(exitCode));
}

void HostSession::onPluginError(QProcess::ProcessError error)
{
    if (error == QProcess::FailedToStart)
        fail(UsageError, QStringLiteral("cannot start the plugin %1: %2")
                             .arg(options.plugin, plugin.errorString()));
}

void HostSession::fail(int exitCode, const QString &message)
{
    if (ended)
        return;
    fprintf(stderr, "keyscript-host: %s\n", qPrintable(message));
    finish(exitCode);
}

void HostSession::finish(int exitCode)
{
    if (ended)
        return;
    ended = true;
    log.poll();
    if (exitCode == Done && missingScript)
        exitCode = NoScript;
    if (exitCode == Done && imageNotSaved)
        exitCode = ImageNotSaved;
    if (exitCode == Done && scriptFailed && options.strict)
        exitCode = ScriptFailed;
    out.flush();
    endPlugin();
    log.remove();
    keepKeys();
    emit finished(exitCode);
}

void HostSession::stop()
{
    const bool keep = !ended;
    ended = true; // the plugin's end is ours, not news
    endPlugin();
    log.remove();
    if (keep)
        keepKeys();
}

void HostSession::endPlugin()
{
    // The host ends its plugins; the plugin never ends by itself. A termination signal first,
    // so a plugin run under a profiler or a debugger can still write what it has.
    if (plugin.state() == QProcess::NotRunning)
        return;
#ifndef Q_OS_WIN
    plugin.terminate();
    if (!plugin.waitForFinished(3000)) // the plugin gives its scripts 2 s to end
#endif
        plugin.kill();
    plugin.waitForFinished();
}
