#pragma once

#include <QHash>
#include <QJsonObject>
#include <QMap>
#include <QObject>
#include <QString>
#include <QWebSocketServer>

class HostSession;
class QTcpSocket;
class QWebSocket;

// Plays the host's side of a key's settings page on the deck: the page registers on its own
// WebSocket with the UUID the deck gave it, stores the key's settings (setSettings), asks for
// them (getSettings), sets and asks for the plugin's shared settings (setGlobalSettings,
// getGlobalSettings) and talks to the plugin (sendToPlugin); the plugin's
// sendToPropertyInspector for that key reaches it. The plugin hears the page appear and go. A
// socket that does not register with the UUID of the page shown is closed: the UUID is the
// page's secret, as the address is the deck's.
class SettingsPageHost : public QObject
{
    Q_OBJECT
public:
    explicit SettingsPageHost(HostSession &session, QObject *parent = nullptr);

    // The page is to show the key context of action, at column and row; the page shown before
    // goes. Returns what the page is to be called with: the port, its UUID (which it registers
    // with), the registration event, the -info text and the key's actionInfo.
    QJsonObject show(const QString &context, const QString &action, int column, int row,
                     quint16 port);
    // The page goes: the plugin hears propertyInspectorDidDisappear if it heard it appear.
    void hide();
    QString shownContext() const { return context; }

    // A WebSocket of a page, its handshake not yet read.
    void handleConnection(QTcpSocket *socket);
    // Every message the plugin sends; those for the shown key, and its shared settings, reach
    // its page.
    void onPluginMessage(const QJsonObject &message);

    // How long a connection may take to register as the page shown before it is closed.
    static constexpr int registerWithinMs = 5000;

Q_SIGNALS:
    // The page stored new settings for the key in the deck's key store.
    void settingsStored(const QString &context);

private:
    void onConnected();
    void onMessage(QWebSocket *page, const QString &text);
    void sendToPage(const QJsonObject &message);
    QJsonObject settingsMessage() const;
    QJsonObject globalSettingsMessage() const;
    void flushBehind();
    void tellPlugin(const QString &event, const QJsonObject &payload = {});

    HostSession &session;
    QWebSocketServer server;
    QWebSocket *page = nullptr; // the registered page of the shown key
    QString uuid;
    QString context;
    QString action;
    bool appeared = false;
    QMap<QString, QJsonObject> behind; // by kind, the latest not sent to a page behind
};
