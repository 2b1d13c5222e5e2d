#pragma once

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <functional>

class QWebSocket;

// The deck's open pages, and what each is sent: messages as they come, and a key's latest
// state once it changes. A page that falls behind (more than maxBehind bytes wait for it) is
// sent nothing until it has caught up, and then only the latest of each kind of message and
// the latest state of each key that changed meanwhile; a key that changes often while the page
// keeps up is sent at most once per turn of the event loop. So what waits for a page stays
// bounded, whatever the plugin draws and however slowly the page reads.
class DeckPages : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 maxBehind = 4 * 1024 * 1024;

    // keyState gives the message that shows key index as it is now; logReplay the recent log
    // lines, for a page that missed some.
    DeckPages(std::function<QJsonObject(int)> keyState, std::function<QJsonObject()> logReplay,
              QObject *parent = nullptr);

    // Takes page over, and sends it first what its messages say.
    void add(QWebSocket *page, const QList<QJsonObject> &first);
    // To every page; of a kind ("type") that is sent again whole when a page catches up.
    void send(const QJsonObject &message);
    // Key index has changed: every page is sent its new state.
    void keyChanged(int index);

private:
    struct Behind
    {
        QSet<int> keys;                 // changed since last sent
        QHash<QString, QString> latest; // by type, the last message not sent
        bool missedLog = false;         // log lines were not sent
    };
    void flush(QWebSocket *page);
    void flushAll();
    static bool isBehind(const QWebSocket *page);

    std::function<QJsonObject(int)> keyState;
    std::function<QJsonObject()> logReplay;
    QHash<QWebSocket *, Behind> pages;
    bool flushing = false;
};
