#pragma once

#include "esdsdktarget.h"
#include "hostinfo.h"
#include "keysettings.h"
#include "models/esdpluginmodel.h"
#include "models/qstreamdeckaction.h"

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QWebSocket>

#include <functional>

// The plugin's end of the conversation with the host: registers, turns each inbound event into
// a signal and offers each outbound command as a slot. The order of the signals and slots below
// is the meta-object's method order, which callers through the meta-object rely on.
class QStreamDeckPlugin : public QObject
{
    Q_OBJECT
public:
    explicit QStreamDeckPlugin(QObject *parent = nullptr);
    ~QStreamDeckPlugin() override;

    void setLaunchValues(int port, const QString &pluginUUID, const QString &registerEvent,
                         const QString &info);
    // Opens the socket; false, touching nothing, when the launch values are incomplete.
    bool connectToHost();
    // Detaches the socket handlers and closes a valid socket; true when it closed one.
    bool closeConnection();
    // Emits the one signal the message stands for; false when it stands for none.
    bool dispatchEvent(QJsonObject &message);
    // The socket to the host, for watching how much still waits to be written.
    const QWebSocket &socket() const { return webSocket; }
    const QString &pluginUUID() const { return pluginModel.uuid; }
    // The settings shared by all of the plugin's keys, as the host last sent them or the plugin
    // last set them; asked for once the plugin has registered.
    const QJsonObject &sharedSettings() const { return globalSettings; }
    // A key's newest settings: carried by its event, or stored by its scripts since.
    QJsonObject newestSettings(const QString &context, const QJsonObject &carried) const
    {
        return keySettings.newest(context, carried);
    }

    // What the host told of itself and its devices, at launch and since.
    const HostInfo &host() const { return hostInfo; }

    // The host's newer events, which no signal carries: didReceiveDeepLink (for the whole
    // plugin), deviceDidChange and didReceiveResources reach this handler with the whole message.
    using HostEventHandler = std::function<void(const QString &event, const QJsonObject &message)>;
    void setHostEventHandler(HostEventHandler handler) { hostEventHandler = std::move(handler); }

    // A dial's events, dialRotate, dialDown, dialUp and touchTap, reach this handler; they are
    // no signals, so the meta-object stays as callers through it know it.
    using DialHandler = std::function<void(const QStreamDeckAction &)>;
    void setDialHandler(DialHandler handler) { dialHandler = std::move(handler); }
    // The commands for a dial's part of the touch strip: values for its layout's items, the
    // layout (a built-in name or a file in the plugin's folder), and the words for its gestures.
    void setFeedback(const QJsonObject &payload, const QString &context);
    void setFeedbackLayout(const QString &layout, const QString &context);
    void setTriggerDescription(const QJsonObject &payload, const QString &context);
    // A title or an image for one of a key's two states (0 or 1) only; the other keeps its own.
    void setTitleForState(const QString &title, const QString &context, int state);
    void setImageForState(const QString &image, const QString &context, int state);

Q_SIGNALS:
    void deviceDidConnect(const QString &deviceId, QJsonObject &deviceInfo);
    void deviceDidDisconnect(const QString &deviceId);
    void keyDown(const QStreamDeckAction &action);
    void keyUp(const QStreamDeckAction &action);
    void willAppear(const QStreamDeckAction &action);
    void willDisappear(const QStreamDeckAction &action);
    void titleParametersDidChange(const QStreamDeckAction &action);
    void applicationDidLaunch(const QString &event, QJsonObject &payload);
    void applicationDidTerminate(const QString &event, QJsonObject &payload);
    void propertyInspectorDidAppear(const QStreamDeckAction &action);
    void propertyInspectorDidDisappear(const QStreamDeckAction &action);
    void sendToPlugin(const QStreamDeckAction &action);
    void didReceiveSettings(const QStreamDeckAction &action);
    void didReceiveGlobalSettings(const QStreamDeckAction &action);
    void systemDidWakeUp();

public Q_SLOTS:
    void setSettings(QJsonObject &settings, const QString &context);
    void setGlobalSettings(QJsonObject &settings, const QString &context);
    void getSettings(const QString &context);
    void getGlobalSettings(const QString &context);
    void openURL(const QString &url);
    void setState(int state, const QString &context);
    void setTitle(const QString &title, const QString &context, ESDSDKTarget target = 0);
    void setImage(const QString &base64Str, const QString &context, ESDSDKTarget target = 0);
    void showAlert(const QString &context);
    void showOk(const QString &context);
    void sendToPropertyInspector(const QString &action, const QString &context,
                                 QJsonObject &payload);
    void switchProfile(const QString &deviceId, const QString &profileName);
    void logMessage(const QString &message);
    void cleanup();

private Q_SLOTS:
    void streamdeck_onConnected();
    void streamdeck_onDisconnected();
    void streamdeck_onDataReceived(QString message);

private:
    void detachSocket();
    void send(const QJsonObject &message);
    void sendText(const QString &message); // one compact JSON object, written already

    ESDPluginModel pluginModel;
    QWebSocket webSocket;
    QJsonObject globalSettings;
    KeySettings keySettings;
    DialHandler dialHandler;
    HostEventHandler hostEventHandler;
    HostInfo hostInfo;
    bool flushQueued = false;
};
