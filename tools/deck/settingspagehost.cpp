#include "settingspagehost.h"

#include "deckpages.h"

#include "connection/compactjson.h"
#include "host/hostsession.h"

#include <QJsonDocument>
#include <QTimer>
#include <QUuid>
#include <QWebSocket>

SettingsPageHost::SettingsPageHost(HostSession &session, QObject *parent)
    : QObject(parent)
    , session(session)
    , server(QStringLiteral("keyscript deck settings"), QWebSocketServer::NonSecureMode)
{
    connect(&server, &QWebSocketServer::newConnection, this, &SettingsPageHost::onConnected);
}

QJsonObject SettingsPageHost::show(const QString &context, const QString &action, int column,
                                   int row, quint16 port)
{
    hide();
    this->context = context;
    this->action = action;
    uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    // As the host gives a page its key: the key's settings and place, whether it is a key or a
    // dial, its state where its action has two, and never a multi-action's step (the deck has
    // none).
    const KeyStore::Key &key = session.keyStore().key(context);
    QJsonObject payload{
        {QStringLiteral("settings"), key.settings},
        {QStringLiteral("coordinates"),
         QJsonObject{{QStringLiteral("column"), column}, {QStringLiteral("row"), row}}},
        {QStringLiteral("controller"),
         key.dial ? QStringLiteral("Encoder") : QStringLiteral("Keypad")},
        {QStringLiteral("isInMultiAction"), false}};
    if (key.state >= 0)
        payload.insert(QStringLiteral("state"), key.state);
    const QJsonObject actionInfo{{QStringLiteral("action"), action},
                                 {QStringLiteral("context"), context},
                                 {QStringLiteral("device"), QStringLiteral("device-1")},
                                 {QStringLiteral("payload"), payload}};
    return {{QStringLiteral("port"), port},
            {QStringLiteral("uuid"), uuid},
            {QStringLiteral("registerEvent"), QStringLiteral("registerPropertyInspector")},
            {QStringLiteral("info"), session.info()},
            {QStringLiteral("actionInfo"), compactJson(actionInfo)}};
}

void SettingsPageHost::hide()
{
    if (appeared)
        tellPlugin(QStringLiteral("propertyInspectorDidDisappear"));
    appeared = false;
    if (page)
        page->close();
    page = nullptr;
    behind.clear();
    uuid.clear();
    context.clear();
}

void SettingsPageHost::handleConnection(QTcpSocket *socket)
{
    server.handleConnection(socket);
}

void SettingsPageHost::onConnected()
{
    while (QWebSocket *socket = server.nextPendingConnection()) {
        // A page registers at once; a connection that does not is no page of ours.
        QTimer::singleShot(registerWithinMs, socket, [this, socket] {
            if (socket != page)
                socket->abort();
        });
        connect(socket, &QWebSocket::bytesWritten, this, [this, socket] {
            if (socket == page)
                flushBehind();
        });
        connect(socket, &QWebSocket::textMessageReceived, this,
                [this, socket](const QString &text) { onMessage(socket, text); });
        connect(socket, &QWebSocket::disconnected, this, [this, socket] {
            if (socket == page) {
                page = nullptr;
                if (appeared)
                    tellPlugin(QStringLiteral("propertyInspectorDidDisappear"));
                appeared = false;
            }
            socket->deleteLater();
        });
    }
}

void SettingsPageHost::onMessage(QWebSocket *socket, const QString &text)
{
    const QJsonObject message = QJsonDocument::fromJson(text.toUtf8()).object();
    const QString event = message.value(QLatin1String("event")).toString();
    if (socket != page) {
        // The first word of a page is its registration, with the UUID it was given.
        if (uuid.isEmpty() || event != QLatin1String("registerPropertyInspector") ||
            message.value(QLatin1String("uuid")).toString() != uuid || page) {
            socket->close(QWebSocketProtocol::CloseCodePolicyViolated);
            return;
        }
        page = socket;
        appeared = true;
        tellPlugin(QStringLiteral("propertyInspectorDidAppear"));
        return;
    }
    if (message.value(QLatin1String("context")).toString() != uuid)
        return;
    const QJsonValue payload = message.value(QLatin1String("payload"));
    if (event == QLatin1String("setSettings") && payload.isObject()) {
        session.keyStore().setSettings(context, payload.toObject());
        emit settingsStored(context);
    } else if (event == QLatin1String("getSettings")) {
        sendToPage(settingsMessage());
    } else if (event == QLatin1String("setGlobalSettings") && payload.isObject()) {
        // The plugin hears them from the host; the page that set them does not.
        session.keyStore().setGlobalSettings(payload.toObject());
        session.sendGlobalSettings();
    } else if (event == QLatin1String("getGlobalSettings")) {
        sendToPage(globalSettingsMessage());
    } else if (event == QLatin1String("sendToPlugin")) {
        tellPlugin(event, message.value(QLatin1String("payload")).toObject());
    }
}

void SettingsPageHost::onPluginMessage(const QJsonObject &message)
{
    // The plugin's shared settings, named by its UUID: the host tells the page.
    if (message.value(QLatin1String("event")).toString() == QLatin1String("setGlobalSettings")) {
        sendToPage(globalSettingsMessage());
        return;
    }
    if (!page || message.value(QLatin1String("context")).toString() != context)
        return;
    const QString event = message.value(QLatin1String("event")).toString();
    if (event == QLatin1String("sendToPropertyInspector")) {
        sendToPage({{QStringLiteral("event"), event},
                    {QStringLiteral("action"), action},
                    {QStringLiteral("context"), context},
                    {QStringLiteral("payload"), message.value(QLatin1String("payload"))}});
    } else if (event == QLatin1String("setSettings")) {
        sendToPage(settingsMessage()); // a script changed them: the page shows what is stored
    }
}

void SettingsPageHost::sendToPage(const QJsonObject &message)
{
    if (!page)
        return;
    // A page that falls behind is sent the latest of each kind once it has caught up: its
    // settings, its shared settings, and each kind of word from the plugin.
    if (page->bytesToWrite() > DeckPages::maxBehind) {
        QString kind = message.value(QLatin1String("event")).toString();
        if (kind == QLatin1String("sendToPropertyInspector"))
            kind += message.value(QLatin1String("payload"))
                        .toObject()
                        .value(QLatin1String("keyscript"))
                        .toString();
        behind.insert(kind, message);
        return;
    }
    page->sendTextMessage(compactJson(message));
}

void SettingsPageHost::flushBehind()
{
    while (page && !behind.isEmpty() && page->bytesToWrite() <= DeckPages::maxBehind) {
        const QJsonObject message = behind.take(behind.firstKey());
        sendToPage(message);
    }
}

QJsonObject SettingsPageHost::globalSettingsMessage() const
{
    return {{QStringLiteral("event"), QStringLiteral("didReceiveGlobalSettings")},
            {QStringLiteral("payload"),
             QJsonObject{{QStringLiteral("settings"), session.keyStore().globalSettings()}}}};
}

QJsonObject SettingsPageHost::settingsMessage() const
{
    return {{QStringLiteral("event"), QStringLiteral("didReceiveSettings")},
            {QStringLiteral("action"), action},
            {QStringLiteral("context"), context},
            {QStringLiteral("device"), QStringLiteral("device-1")},
            {QStringLiteral("payload"),
             QJsonObject{{QStringLiteral("settings"), session.keyStore().key(context).settings}}}};
}

void SettingsPageHost::tellPlugin(const QString &event, const QJsonObject &payload)
{
    if (!session.isRegistered() || context.isEmpty())
        return;
    QJsonObject message{{QStringLiteral("event"), event},
                        {QStringLiteral("action"), action},
                        {QStringLiteral("context"), context},
                        {QStringLiteral("device"), QStringLiteral("device-1")}};
    if (event == QLatin1String("sendToPlugin"))
        message.insert(QStringLiteral("payload"), payload);
    session.sendEvent(compactJson(message));
}
