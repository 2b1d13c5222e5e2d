#include "deckpages.h"

#include "connection/compactjson.h"

#include <QTimer>
#include <QWebSocket>

#include <utility>

DeckPages::DeckPages(std::function<QJsonObject(int)> keyState,
                     std::function<QJsonObject()> logReplay, QObject *parent)
    : QObject(parent)
    , keyState(std::move(keyState))
    , logReplay(std::move(logReplay))
{
}

bool DeckPages::isBehind(const QWebSocket *page)
{
    return page->bytesToWrite() > maxBehind;
}

void DeckPages::add(QWebSocket *page, const QList<QJsonObject> &first)
{
    pages.insert(page, {});
    connect(page, &QWebSocket::bytesWritten, this, [this, page] { flush(page); });
    connect(page, &QWebSocket::disconnected, this, [this, page] {
        pages.remove(page);
        page->deleteLater();
    });
    for (const QJsonObject &message : first)
        page->sendTextMessage(compactJson(message));
}

void DeckPages::send(const QJsonObject &message)
{
    const QString text = compactJson(message);
    const QString type = message.value(QLatin1String("type")).toString();
    for (auto it = pages.begin(); it != pages.end(); ++it) {
        if (isBehind(it.key()) && type == QLatin1String("log"))
            it->missedLog = true; // the recent lines go again, once it has caught up
        else if (isBehind(it.key()))
            it->latest.insert(type, text); // a later one of its kind replaces it
        else
            it.key()->sendTextMessage(text);
    }
}

void DeckPages::keyChanged(int index)
{
    if (index < 0)
        return;
    for (Behind &page : pages)
        page.keys.insert(index);
    if (!flushing) {
        flushing = true;
        QTimer::singleShot(0, this, &DeckPages::flushAll);
    }
}

void DeckPages::flushAll()
{
    flushing = false;
    const QList<QWebSocket *> all = pages.keys();
    for (QWebSocket *page : all)
        flush(page);
}

void DeckPages::flush(QWebSocket *page)
{
    auto it = pages.find(page);
    if (it == pages.end() || isBehind(page))
        return;
    // A whole deck first: the keys' states that follow are newer.
    const QHash<QString, QString> latest = std::exchange(it->latest, {});
    if (latest.contains(QStringLiteral("deck")))
        page->sendTextMessage(latest.value(QStringLiteral("deck")));
    for (auto message = latest.cbegin(); message != latest.cend(); ++message) {
        if (message.key() != QLatin1String("deck"))
            page->sendTextMessage(message.value());
    }
    if (std::exchange(it->missedLog, false))
        page->sendTextMessage(compactJson(logReplay()));
    const QSet<int> keys = std::exchange(it->keys, {});
    for (int index : keys)
        page->sendTextMessage(compactJson(keyState(index)));
}
