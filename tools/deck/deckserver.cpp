#include "deckserver.h"

#include "host/hostoptions.h"
#include "host/hostsession.h"
#include "host/messageformat.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTimer>
#include <QWebSocket>

#include <utility>

namespace {

// A request's headers may take this much; more is no request of our page.
constexpr qsizetype maxRequest = 16 * 1024;
// What a request may take to arrive whole; a socket that sends part of one is closed then.
constexpr int requestTimeoutMs = 5000;

} // namespace

DeckServer::DeckServer(HostSession &session, int columns, int rows, int dials,
                       const QString &scriptsFolder, QObject *parent)
    : QObject(parent)
    , session(session)
    , columns(columns)
    , rows(rows)
    , dials(dials)
    , actions(scriptsFolder)
    , pages(QStringLiteral("keyscript deck"), QWebSocketServer::NonSecureMode)
    , connected([this](int index) { return keyState(index); },
                [this] {
                    return QJsonObject{{QStringLiteral("type"), QStringLiteral("logs")},
                                       {QStringLiteral("lines"), log.recent()}};
                })
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
        connected.keyChanged(indexOf(key));
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
        // Answered, or handed to a WebSocket server, by then: the timer goes with its socket
        // and is stopped when the request is taken.
        auto *timeout = new QTimer(socket);
        timeout->setObjectName(QStringLiteral("requestTimeout"));
        timeout->setSingleShot(true);
        connect(timeout, &QTimer::timeout, socket, &QTcpSocket::abort);
        timeout->start(requestTimeoutMs);
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
        taken(socket);
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
        taken(socket);
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

void DeckServer::taken(QTcpSocket *socket)
{
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    disconnect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    delete socket->findChild<QTimer *>(QStringLiteral("requestTimeout"));
}

void DeckServer::respond(QTcpSocket *socket, const QByteArray &status, const QByteArray &type,
                         const QByteArray &body, bool framed)
{
    delete socket->findChild<QTimer *>(QStringLiteral("requestTimeout"));
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
        connect(page, &QWebSocket::textMessageReceived, this, &DeckServer::onPageMessage);
        connected.add(page, {snapshot(),
                             {{QStringLiteral("type"), QStringLiteral("logs")},
                              {QStringLiteral("lines"), log.recent()}}});
    }
}
