#include "qstreamdeckplugin.h"

#include "compactjson.h"

#include "models/esddevicemodel.h"
#include "models/esdeventmodel.h"

#include <QDebug>
#include <QHash>
#include <QJsonDocument>
#include <QUrl>

QStreamDeckPlugin::QStreamDeckPlugin(QObject *parent)
    : QObject(parent)
    , webSocket(QString(), QWebSocketProtocol::Version13, nullptr)
{
}

QStreamDeckPlugin::~QStreamDeckPlugin()
{
    closeConnection();
}

void QStreamDeckPlugin::setLaunchValues(int port, const QString &pluginUUID,
                                        const QString &registerEvent, const QString &info)
{
    pluginModel = ESDPluginModel(port, pluginUUID, registerEvent, info);
    hostInfo.readInfo(info);
}

bool QStreamDeckPlugin::connectToHost()
{
    if (!pluginModel.isValid())
        return false;

    const QUrl url(QStringLiteral("ws://127.0.0.1:") + QString::number(pluginModel.port, 10),
                   QUrl::TolerantMode);
    webSocket.open(url);
    // The socket reports the outcome only later, from the event loop.
    connect(&webSocket, &QWebSocket::connected, this, &QStreamDeckPlugin::streamdeck_onConnected);
    connect(&webSocket, &QWebSocket::disconnected, this,
            &QStreamDeckPlugin::streamdeck_onDisconnected);
    return true;
}

void QStreamDeckPlugin::detachSocket()
{
    disconnect(&webSocket, &QWebSocket::textMessageReceived, this,
               &QStreamDeckPlugin::streamdeck_onDataReceived);
    disconnect(&webSocket, &QWebSocket::connected, this,
               &QStreamDeckPlugin::streamdeck_onConnected);
    disconnect(&webSocket, &QWebSocket::disconnected, this,
               &QStreamDeckPlugin::streamdeck_onDisconnected);
}

bool QStreamDeckPlugin::closeConnection()
{
    if (!webSocket.isValid())
        return false;
    // Detached first, so the disconnection that follows the close runs no handler of ours.
    detachSocket();
    webSocket.flush(); // what was sent in this turn of the event loop leaves before the close
    webSocket.close(QWebSocketProtocol::CloseCodeNormal, QStringLiteral("Normal exit"));
    return true;
}

void QStreamDeckPlugin::cleanup()
{
    closeConnection();
}

void QStreamDeckPlugin::streamdeck_onConnected()
{
    connect(&webSocket, &QWebSocket::textMessageReceived, this,
            &QStreamDeckPlugin::streamdeck_onDataReceived);
    send(QJsonObject{{QStringLiteral("uuid"), pluginModel.uuid},
                     {QStringLiteral("event"), pluginModel.event}});
    // The host answers with didReceiveGlobalSettings, which carries no action.
    getGlobalSettings(pluginModel.uuid);
}

void QStreamDeckPlugin::streamdeck_onDisconnected()
{
    // The host has gone: no reconnection; the process stays up until the host ends it.
    detachSocket();
}

void QStreamDeckPlugin::streamdeck_onDataReceived(QString message)
{
    // Text that is not a JSON object dispatches as an empty object, which emits nothing.
    QJsonObject object = QJsonDocument::fromJson(message.toUtf8()).object();
    dispatchEvent(object);
}

void QStreamDeckPlugin::send(const QJsonObject &message)
{
    sendText(compactJson(message));
}

void QStreamDeckPlugin::sendText(const QString &message)
{
    webSocket.sendTextMessage(message);
    // Everything sent while one event is handled leaves together once it is: a burst of answers
    // (a dial turned fast) costs one write, and a single answer does not wait for the socket's
    // own turn of the event loop.
    if (flushQueued)
        return;
    flushQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            flushQueued = false;
            webSocket.flush();
        },
        Qt::QueuedConnection);
}

namespace {

bool isDialEvent(const QString &event)
{
    return event == QLatin1String("dialRotate") || event == QLatin1String("dialDown") ||
           event == QLatin1String("dialUp") || event == QLatin1String("touchTap");
}

} // namespace

bool QStreamDeckPlugin::dispatchEvent(QJsonObject &message)
{
    // A message with a "device" key that is no device event falls through to the next family.
    // The event's name is looked at first: most messages are a key's, and need no device record.
    const QString event = message.value(QLatin1String("event")).toString();
    if ((event == QLatin1String("deviceDidConnect") ||
         event == QLatin1String("deviceDidDisconnect")) &&
        message.contains(QLatin1String("device"))) {
        ESDDeviceModel model;
        model.fromJson(message);
        if (model.event == QLatin1String("deviceDidConnect")) {
            hostInfo.deviceChanged(model.device, model.deviceInfo);
            emit deviceDidConnect(model.device, model.deviceInfo);
            return true;
        }
        if (model.event == QLatin1String("deviceDidDisconnect")) {
            emit deviceDidDisconnect(model.device);
            return true;
        }
    }

    if (event == QLatin1String("didReceiveDeepLink") || event == QLatin1String("deviceDidChange") ||
        event == QLatin1String("didReceiveResources")) {
        if (event == QLatin1String("deviceDidChange"))
            hostInfo.deviceChanged(message.value(QLatin1String("device")).toString(),
                                   message.value(QLatin1String("deviceInfo")).toObject());
        if (hostEventHandler)
            hostEventHandler(event, message);
        return true;
    }

    // The plugin's own settings, shared by all keys: the host sends them without an action.
    if (event == QLatin1String("didReceiveGlobalSettings")) {
        QStreamDeckAction action;
        action.fromJson(message);
        // Settings that are no object are none the host keeps: what the plugin had stays.
        const QJsonValue settings = action.payload.value(QLatin1String("settings"));
        if (!settings.isObject()) {
            qDebug() << "didReceiveGlobalSettings ignored: its settings are no JSON object";
            return false;
        }
        globalSettings = settings.toObject();
        emit didReceiveGlobalSettings(action);
        return true;
    }

    if (message.contains(QLatin1String("action"))) {
        using ActionSignal = void (QStreamDeckPlugin::*)(const QStreamDeckAction &);
        static const QHash<QString, ActionSignal> actionEvents = [] {
            QHash<QString, ActionSignal> table;
            table.reserve(9);
            table.insert(QStringLiteral("keyDown"), &QStreamDeckPlugin::keyDown);
            table.insert(QStringLiteral("keyUp"), &QStreamDeckPlugin::keyUp);
            table.insert(QStringLiteral("willAppear"), &QStreamDeckPlugin::willAppear);
            table.insert(QStringLiteral("willDisappear"), &QStreamDeckPlugin::willDisappear);
            table.insert(QStringLiteral("titleParametersDidChange"),
                         &QStreamDeckPlugin::titleParametersDidChange);
            table.insert(QStringLiteral("propertyInspectorDidAppear"),
                         &QStreamDeckPlugin::propertyInspectorDidAppear);
            table.insert(QStringLiteral("propertyInspectorDidDisappear"),
                         &QStreamDeckPlugin::propertyInspectorDidDisappear);
            table.insert(QStringLiteral("sendToPlugin"), &QStreamDeckPlugin::sendToPlugin);
            table.insert(QStringLiteral("didReceiveSettings"),
                         &QStreamDeckPlugin::didReceiveSettings);
            return table;
        }();

        QStreamDeckAction action;
        action.fromJson(message);
        keySettings.heard(action.event, action.context,
                          action.payload.value(QLatin1String("settings")).toObject());
        const ActionSignal signal = actionEvents.value(action.event, nullptr);
        if (!signal && isDialEvent(action.event)) {
            if (dialHandler)
                dialHandler(action);
            return true;
        }
        if (!signal)
            return false; // an action message never reaches the application family
        emit(this->*signal)(action);
        return true;
    }

    if (message.contains(QLatin1String("event"))) {
        ESDEventModel model;
        model.fromJson(message);
        if (model.event == QLatin1String("applicationDidLaunch")) {
            emit applicationDidLaunch(model.event, model.payload);
            return true;
        }
        if (model.event == QLatin1String("applicationDidTerminate")) {
            emit applicationDidTerminate(model.event, model.payload);
            return true;
        }
        if (model.event == QLatin1String("systemDidWakeUp")) {
            emit systemDidWakeUp();
            return true;
        }
    }
    return false;
}
