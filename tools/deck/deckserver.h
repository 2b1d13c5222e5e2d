#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QTcpServer>
#include <QWebSocketServer>

#include "actionlist.h"
#include "decklog.h"
#include "deckpages.h"
#include "keyoutcomes.h"
#include "settingspagehost.h"

class HostSession;
class QTcpSocket;
class QWebSocket;

// The live deck: serves one page and its WebSocket from one port on 127.0.0.1, and plays the
// device for the plugin that session runs. Only this machine's user reaches it: the address
// holds a random token that the page and its socket must present, and a socket from a page of
// any other origin is refused, so that no other web page open in the browser can press a key.
class DeckServer : public QObject
{
    Q_OBJECT
public:
    // scriptsFolder: where the actions the deck lists have their scripts.
    // dials: how many, under the keys; each is a key of its own to the plugin, after them.
    DeckServer(HostSession &session, int columns, int rows, int dials, const QString &scriptsFolder,
               QObject *parent = nullptr);

    // Listens; false with errorString() when it cannot.
    bool listen();
    QString errorString() const { return tcp.errorString(); }
    // Where the page is, token included.
    QString address() const;

private:
    void onNewConnection();
    void onRequest(QTcpSocket *socket);
    // framed: the settings page, which the deck's own page shows in a frame.
    void respond(QTcpSocket *socket, const QByteArray &status, const QByteArray &type,
                 const QByteArray &body, bool framed = false);
    bool fromOurPage(const QHash<QByteArray, QByteArray> &headers) const;
    // The request has been read (by us, or by a WebSocket server it is handed to).
    void taken(QTcpSocket *socket);
    void select(int index);
    // Asks the plugin about the key's scripts and runs, as its settings page would.
    void watch(const QString &context);
    void onPageConnected();
    void onPageMessage(const QString &text);
    void onPluginMessage(const QJsonObject &message);
    void onLogLine(const QString &line);
    void appearAll(bool visible);
    void sendKeyEvent(int index, const QString &event, const QJsonObject &extra = {});
    void onDialMessage(const QString &type, int index, const QJsonObject &message);
    // A deep link the page typed: sent on to the plugin as the host would, or refused.
    void onDeepLink(const QString &url);
    // The UUID deep links name: the manifest's, else the one -info tells the plugin.
    QString pluginUuid() const;
    // Keys first, then the dials; a dial's place is its number in the row.
    int count() const { return columns * rows + dials; }
    bool isDial(int index) const { return index >= columns * rows && index < count(); }
    void broadcast(const QJsonObject &message);
    QJsonObject snapshot() const;
    QJsonObject keyState(int index) const; // one key, as a page shows it
    // The manifest's picture of the action's state, for a key the plugin has not drawn yet.
    QString stateImage(const QString &action, int state) const;
    mutable QHash<QString, QString> stateImages; // by action and state
    QString contextOf(int index) const;
    int indexOf(const QString &context) const;

    HostSession &session;
    const int columns;
    const int rows;
    const int dials;
    ActionList actions; // the actions cmd/ has scripts for
    QTcpServer tcp;
    QWebSocketServer pages;
    DeckPages connected;
    SettingsPageHost settingsPage;
    KeyOutcomes outcomes;
    DeckLog log;
    QByteArray token;
    bool visible = true;
};
