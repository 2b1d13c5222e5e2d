#include "deckserver.h"

#include "host/hostoptions.h"
#include "host/hostsession.h"
#include "host/messageformat.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QWebSocket>

#include <utility>

namespace {

// A request's headers may take this much; more is no request of our page.
constexpr qsizetype maxRequest = 16 * 1024;

QJsonObject object(const QString &text)
{
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

QString json(const QJsonObject &message)
{
    return QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact));
}

} // namespace

DeckServer::DeckServer(HostSession &session, int columns, int rows, const QString &scriptsFolder,
                       QObject *parent)
    : QObject(parent)
    , session(session)
    , columns(columns)
    , rows(rows)
    , actions(scriptsFolder)
    , pages(QStringLiteral("keyscript deck"), QWebSocketServer::NonSecureMode)
    , settingsPage(session)
{
    quint32 random[4];
    QRandomGenerator::system()->fillRange(random);
    token = QByteArray(reinterpret_cast<const char *>(random), sizeof random).toHex();
    connect(&tcp, &QTcpServer::newConnection, this, &DeckServer::onNewConnection);
    connect(&pages, &QWebSocketServer::newConnection, this, &DeckServer::onPageConnected);
    connect(&session, &HostSession::pluginMessage, this, &DeckServer::onPluginMessage);
    connect(&session, &HostSession::pluginLogLine, this, &DeckServer::onLogLine);
    connect(&session, &HostSession::ready, this, [this] { appearAll(true); });
    connect(&actions, &ActionList::changed, this, [this] { broadcast(snapshot()); });
    // The key's settings page stored new ones: the plugin hears them, as from the host.
    connect(&settingsPage, &SettingsPageHost::settingsStored, this, [this](const QString &key) {
        sendKeyEvent(indexOf(key), QStringLiteral("didReceiveSettings"));
        broadcast(snapshot());
    });
}

bool DeckServer::listen()
{
    return tcp.listen(QHostAddress::LocalHost, 0);
}

QString DeckServer::address() const
{
    return QStringLiteral("http://127.0.0.1:%1/%2/")
        .arg(tcp.serverPort())
        .arg(QString::fromLatin1(token));
}

void DeckServer::onNewConnection()
{
    while (QTcpSocket *socket = tcp.nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onRequest(socket); });
    }
}

void DeckServer::onRequest(QTcpSocket *socket)
{
    // Looked at, not read: a WebSocket's handshake is read by the WebSocket server.
    const QByteArray head = socket->peek(maxRequest);
    const qsizetype end = head.indexOf("\r\n\r\n");
    if (end < 0) {
        if (head.size() >= maxRequest)
            respond(socket, "431 Request Header Fields Too Large", "text/plain", "");
        return;
    }
    const QList<QByteArray> lines = head.left(end).split('\n');
    const QList<QByteArray> request = lines.first().trimmed().split(' ');
    QHash<QByteArray, QByteArray> headers;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines.at(i).indexOf(':');
        if (colon > 0)
            headers.insert(lines.at(i).left(colon).trimmed().toLower(),
                           lines.at(i).mid(colon + 1).trimmed());
    }
    const QByteArray path = request.value(1);
    const QByteArray base = '/' + token + '/';
    if (request.value(0) == "GET" && path == "/" &&
        headers.value("upgrade").toLower() == "websocket") {
        // A settings page's socket, at the root as the host has it; it proves itself with the
        // UUID the deck gave the page.
        if (!fromOurPage(headers)) {
            respond(socket, "403 Forbidden", "text/plain", "");
            return;
        }
        disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
        disconnect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        settingsPage.handleConnection(socket);
        return;
    }
    if (request.value(0) != "GET" || !path.startsWith(base)) {
        respond(socket, "404 Not Found", "text/plain", "");
        return;
    }
    if (path == base + "socket") {
        // Only the deck's own page may open its socket: a page of another origin is refused.
        if (!fromOurPage(headers)) {
            respond(socket, "403 Forbidden", "text/plain", "");
            return;
        }
        disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
        disconnect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        pages.handleConnection(socket);
        return;
    }
    // The same settings page the plugin folder holds.
    const bool settings = path.split('?').first() == base + "settings.html";
    if (path != base && !settings) {
        respond(socket, "404 Not Found", "text/plain", "");
        return;
    }
    QFile page(settings ? QStringLiteral(":/plugin/settings.html")
                        : QStringLiteral(":/deck/deck.html"));
    page.open(QIODevice::ReadOnly);
    respond(socket, "200 OK", "text/html; charset=utf-8", page.readAll(), settings);
}

bool DeckServer::fromOurPage(const QHash<QByteArray, QByteArray> &headers) const
{
    const QByteArray port = QByteArray::number(tcp.serverPort());
    const QByteArray origin = headers.value("origin");
    return origin == "http://127.0.0.1:" + port || origin == "http://localhost:" + port;
}

void DeckServer::respond(QTcpSocket *socket, const QByteArray &status, const QByteArray &type,
                         const QByteArray &body, bool framed)
{
    socket->readAll();
    // The page and its socket come from here, and nothing else may frame or feed it.
    const QByteArray port = QByteArray::number(tcp.serverPort());
    socket->write(
        "HTTP/1.1 " + status + "\r\nContent-Type: " + type +
        "\r\nContent-Length: " + QByteArray::number(body.size()) +
        "\r\nCache-Control: no-store\r\nX-Frame-Options: " + (framed ? "SAMEORIGIN" : "DENY") +
        "\r\nContent-Security-Policy: default-src 'none'; script-src 'unsafe-inline'; "
        "style-src 'unsafe-inline'; img-src data:; frame-src 'self'; "
        "connect-src ws://127.0.0.1:" +
        port + " ws://localhost:" + port + "; frame-ancestors " + (framed ? "'self'" : "'none'") +
        "\r\nConnection: close\r\n\r\n" + body);
    socket->disconnectFromHost();
}

void DeckServer::onPageConnected()
{
    while (QWebSocket *page = pages.nextPendingConnection()) {
        connected << page;
        connect(page, &QWebSocket::textMessageReceived, this, &DeckServer::onPageMessage);
        connect(page, &QWebSocket::disconnected, this, [this, page] {
            connected.removeAll(page);
            page->deleteLater();
        });
        page->sendTextMessage(json(snapshot()));
    }
}

void DeckServer::onPageMessage(const QString &text)
{
    const QJsonObject message = object(text);
    const QString type = message.value(QLatin1String("type")).toString();
    const int index = message.value(QLatin1String("index")).toInt(-1);
    const bool onKey = index >= 0 && index < columns * rows;
    if (type == QLatin1String("down") && onKey) {
        sendKeyEvent(index, QStringLiteral("keyDown"));
    } else if (type == QLatin1String("up") && onKey) {
        sendKeyEvent(index, QStringLiteral("keyUp"));
    } else if (type == QLatin1String("assign") && onKey) {
        const QString action = message.value(QLatin1String("action")).toString();
        if (!action.isEmpty() && !actions.contains(action))
            return;
        if (visible)
            sendKeyEvent(index, QStringLiteral("willDisappear"));
        session.keyStore().reset(contextOf(index), action);
        if (visible)
            sendKeyEvent(index, QStringLiteral("willAppear"));
        broadcast(snapshot());
        if (settingsPage.shownContext() == contextOf(index))
            select(action.isEmpty() ? -1 : index); // the page of the key's new action
    } else if (type == QLatin1String("select")) {
        select(onKey ? index : -1);
    } else if (type == QLatin1String("visible")) {
        appearAll(message.value(QLatin1String("on")).toBool());
    }
}

void DeckServer::select(int index)
{
    // As the host does when a key is selected: its action's settings page shows it.
    const QString action = index >= 0 ? session.keyStore().key(contextOf(index)).action : QString();
    if (action.isEmpty()) {
        settingsPage.hide();
        broadcast(
            {{QStringLiteral("type"), QStringLiteral("inspect")}, {QStringLiteral("index"), -1}});
        return;
    }
    QJsonObject inspect = settingsPage.show(contextOf(index), action, index % columns,
                                            index / columns, tcp.serverPort());
    inspect.insert(QStringLiteral("type"), QStringLiteral("inspect"));
    inspect.insert(QStringLiteral("index"), index);
    broadcast(inspect);
}

void DeckServer::onPluginMessage(const QJsonObject &message)
{
    settingsPage.onPluginMessage(message);
    const QString event = message.value(QLatin1String("event")).toString();
    const int index = indexOf(message.value(QLatin1String("context")).toString());
    if (event == QLatin1String("showAlert") || event == QLatin1String("showOk")) {
        broadcast({{QStringLiteral("type"), QStringLiteral("flash")},
                   {QStringLiteral("index"), index},
                   {QStringLiteral("kind"), event == QLatin1String("showOk") ? "ok" : "alert"}});
    } else if (event.startsWith(QLatin1String("set"))) {
        broadcast(snapshot());
    } else if (event != QLatin1String("sendToPropertyInspector")) { // the settings page's
        // switchToProfile, openUrl, logMessage and the rest: for the author to see.
        broadcast({{QStringLiteral("type"), QStringLiteral("notice")},
                   {QStringLiteral("text"), readableMessage(json(message))}});
    }
}

void DeckServer::onLogLine(const QString &line)
{
    broadcast({{QStringLiteral("type"), QStringLiteral("log")}, {QStringLiteral("line"), line}});
}

void DeckServer::appearAll(bool visible)
{
    // As a profile switch would: every key goes, or comes.
    this->visible = visible;
    for (int index = 0; index < columns * rows; ++index)
        sendKeyEvent(index,
                     visible ? QStringLiteral("willAppear") : QStringLiteral("willDisappear"));
    broadcast(snapshot());
}

void DeckServer::sendKeyEvent(int index, const QString &event)
{
    const KeyStore::Key key = session.keyStore().key(contextOf(index));
    if (key.action.isEmpty() || !session.isRegistered())
        return;
    session.sendEvent(actionEvent(event, key.action, contextOf(index), QStringLiteral("device-1"),
                                  key.settings, key.state, index % columns, index / columns));
}

void DeckServer::broadcast(const QJsonObject &message)
{
    const QString text = json(message);
    for (QWebSocket *page : std::as_const(connected))
        page->sendTextMessage(text);
}

QJsonObject DeckServer::snapshot() const
{
    QJsonArray keys;
    for (int index = 0; index < columns * rows; ++index) {
        const KeyStore::Key key = session.keyStore().key(contextOf(index));
        keys.append(QJsonObject{{QStringLiteral("action"), key.action},
                                {QStringLiteral("settings"), key.settings},
                                {QStringLiteral("state"), key.state},
                                {QStringLiteral("title"), key.title},
                                {QStringLiteral("image"), key.image}});
    }
    return {{QStringLiteral("type"), QStringLiteral("deck")},
            {QStringLiteral("columns"), columns},
            {QStringLiteral("rows"), rows},
            {QStringLiteral("visible"), visible},
            {QStringLiteral("actions"), actions.toJson()},
            {QStringLiteral("keys"), keys}};
}

QString DeckServer::contextOf(int index) const
{
    return QStringLiteral("deck-%1").arg(index + 1);
}

int DeckServer::indexOf(const QString &context) const
{
    if (!context.startsWith(QLatin1String("deck-")))
        return -1;
    const int index = context.mid(5).toInt() - 1;
    return index >= 0 && index < columns * rows ? index : -1;
}
