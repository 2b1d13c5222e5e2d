#include "standinhost.h"

#include "host/hostoptions.h"

#include <QJsonDocument>
#include <QTimer>
#include <QWebSocket>

StandInHost::StandInHost(QObject *parent)
    : QObject(parent)
    , server(QStringLiteral("stand-in host"), QWebSocketServer::NonSecureMode)
{
    connect(&server, &QWebSocketServer::newConnection, this, &StandInHost::onNewConnection);
    server.listen(QHostAddress::LocalHost, 0);
}

StandInHost::~StandInHost()
{
    delete client;
}

void StandInHost::onNewConnection()
{
    while (QWebSocket *socket = server.nextPendingConnection()) {
        ++connections;
        delete client;
        client = socket;
        connect(socket, &QWebSocket::textMessageReceived, this, [this](const QString &message) {
            // The plugin's own request at start is answered, and kept apart.
            if (globalRequests.isEmpty() && message.startsWith(QLatin1String(R"({"context":)")) &&
                message.endsWith(QLatin1String(R"(,"event":"getGlobalSettings"})"))) {
                globalRequests.append(message);
                const QString answer = QStringLiteral(R"({"event":"didReceiveGlobalSettings",)"
                                                      R"("payload":{"settings":%1}})")
                                           .arg(QString::fromUtf8(globalSettings));
                if (globalAnswerMs == 0)
                    sendText(answer);
                else if (globalAnswerMs > 0)
                    QTimer::singleShot(globalAnswerMs, this, [this, answer] { sendText(answer); });
                return;
            }
            messages.append(message);
            emit messageReceived(message);
        });
        connect(socket, &QWebSocket::disconnected, this, [this, socket] {
            clientClosed = true;
            closeCode = socket->closeCode();
            closeReason = socket->closeReason();
        });
        connect(socket, &QWebSocket::pong, this, &StandInHost::pong);
    }
}

bool StandInHost::sendText(const QString &message)
{
    return client && client->sendTextMessage(message) >= 0;
}

bool StandInHost::sendBinary(const QByteArray &message)
{
    return client && client->sendBinaryMessage(message) >= 0;
}

bool StandInHost::ping()
{
    if (!client)
        return false;
    client->ping();
    return true;
}

void StandInHost::closeClient()
{
    if (client)
        client->close(QWebSocketProtocol::CloseCodeGoingAway, QStringLiteral("host ends"));
}

void StandInHost::resetClient()
{
    if (client)
        client->abort();
}

bool StandInHost::press(const QString &action, const QString &context, const QByteArray &settings,
                        const QString &device)
{
    return sendText(
        keyDownEvent(action, context, device, QJsonDocument::fromJson(settings).object()));
}

bool StandInHost::sendEvent(const QString &event, const QString &action, const QString &context)
{
    return sendText(actionEvent(event, action, context, QStringLiteral("dev"), QJsonObject()));
}
