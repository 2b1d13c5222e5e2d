#pragma once

#include <QList>
#include <QObject>
#include <QStringList>
#include <QWebSocketProtocol>
#include <QWebSocketServer>

class QWebSocket;

// Plays the host for one plugin: listens on 127.0.0.1 at a free port, takes one client and
// records every text message and close frame it sends.
class StandInHost : public QObject
{
    Q_OBJECT
public:
    explicit StandInHost(QObject *parent = nullptr);
    ~StandInHost() override;

    quint16 port() const { return server.serverPort(); }

    // Sends to the connected plugin; false when none is connected.
    bool sendText(const QString &message);
    bool sendBinary(const QByteArray &message);
    // Sends a key press for action on the key context; settings is the JSON of its settings.
    bool press(const QString &action, const QString &context = QStringLiteral("ctx"),
               const QByteArray &settings = "{}", const QString &device = QStringLiteral("dev"));
    // Sends another event of the key: keyUp, willAppear, willDisappear, didReceiveSettings.
    bool sendEvent(const QString &event, const QString &action,
                   const QString &context = QStringLiteral("ctx"));
    // Pings the plugin; its WebSocket answers with a pong from its event loop.
    bool ping();
    // Closes the plugin's connection from the host's side.
    void closeClient();
    // Drops it without a close frame; with unread data waiting, the plugin sees a reset.
    void resetClient();

    QStringList messages; // text messages, in arrival order
    // The plugin's first getGlobalSettings request, its own at start, which is answered with
    // globalSettings as the host answers it, and kept apart from messages.
    QStringList globalRequests;
    QByteArray globalSettings = "{}";
    int globalAnswerMs = 0; // how long the answer takes; below 0, it never comes
    int connections = 0;    // plugins that connected
    bool clientClosed = false;
    QWebSocketProtocol::CloseCode closeCode = QWebSocketProtocol::CloseCodeNormal;
    QString closeReason;

Q_SIGNALS:
    void messageReceived(const QString &message);
    void pong();

private:
    void onNewConnection();

    QWebSocketServer server;
    QWebSocket *client = nullptr;
};
