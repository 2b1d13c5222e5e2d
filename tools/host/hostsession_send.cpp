// HostSession: sending events, as the plugin takes them.
#include "hostsession.h"

#include "connection/compactjson.h"
#include "runner/secretmask.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QWebSocket>

void HostSession::sendLater(const QList<HostOptions::Delayed> &delayed)
{
    for (const HostOptions::Delayed &event : delayed) {
        ++pendingDelayed;
        QTimer::singleShot(event.afterMs, this, [this, text = event.event] {
            --pendingDelayed;
            if (!ended)
                send(text);
        });
    }
}

void HostSession::queue(const HostOptions &parsed)
{
    approveTyped(parsed.first);
    approveTyped(parsed.repeated);
    toSend.append({parsed.first, 1, true});
    if (parsed.repeats > 0 &&
        !(parsed.repeated.events.isEmpty() && parsed.repeated.delayed.isEmpty()))
        toSend.append({parsed.repeated, parsed.repeats, false}); // as fast as the plugin takes
}

void HostSession::sendMore()
{
    // Only as much as the plugin takes: what waits unsent stays small. And a few at a time, so
    // that the event loop turns (and --timeout can end the run) where the socket writes at once.
    constexpr qint64 maxUnsent = 64 * 1024;
    constexpr int perTurn = 256;
    int sent = 0;
    while (registered && !ended && !pausing && socket->bytesToWrite() < maxUnsent) {
        if (++sent > perTurn) {
            // Windows may hold back --timeout's timer while this goes on: look at the clock.
            if (overallTimer.isActive() && runClock.hasExpired(options.timeoutMs)) {
                onTimeout();
                if (ended)
                    return;
            }
            QTimer::singleShot(0, this, &HostSession::sendMore);
            return;
        }
        if (sendingNext < sending.size()) {
            if (mustSpace(sending.at(sendingNext))) {
                QTimer::singleShot(20, this, &HostSession::sendMore);
                return;
            }
            const QString &next = sending.at(sendingNext++);
            if (next.startsWith(QLatin1String("wait "))) {
                // The rest of the events wait; so does the end of the run.
                pausing = true;
                ++pendingDelayed;
                QTimer::singleShot(next.mid(5).toInt(), this, [this] {
                    pausing = false;
                    --pendingDelayed;
                    sendMore();
                    quietTimer.start(options.quietMs);
                });
                return;
            }
            send(next);
            continue;
        }
        if (toSend.isEmpty())
            return;
        Rounds &next = toSend.first();
        spacing = next.spaced;
        sending = next.round.events;
        sendingNext = 0;
        sendLater(next.round.delayed);
        if (--next.count <= 0)
            toSend.removeFirst();
    }
}

bool HostSession::allSent() const
{
    return sendingNext >= sending.size() && toSend.isEmpty();
}

void HostSession::sendEvent(const QString &event)
{
    keepSoon(); // the deck sends a key's event once it has changed the key
    if (registered && !ended)
        send(event);
}

void HostSession::send(const QString &event)
{
    // As the host would send it: with the key's settings and state.
    const QString prepared = keys.prepare(event);
    // A title the user typed: the host tells the plugin before anything else of the key.
    if (event.contains(QLatin1String(R"("userTitle":)")))
        socket->sendTextMessage(keys.titleChange(prepared));
    if (options.verbose) {
        const QJsonObject masked =
            SecretMask::maskedMessage(QJsonDocument::fromJson(prepared.toUtf8()).object(), secrets);
        out << "> " << (masked.isEmpty() ? prepared : compactJson(masked)) << Qt::endl;
    }
    socket->sendTextMessage(prepared);
    quietTimer.start(options.quietMs);
    keepTrackOfView(prepared);
}

void HostSession::keepTrackOfView(const QString &prepared)
{
    if (prepared.contains(QLatin1String(R"("event":"systemDidWakeUp")"))) {
        // The host tells the keys in view again that they appear, with what they have now.
        const QHash<QString, QString> again = visibleKeys;
        for (const QString &appear : again)
            send(appear);
        return;
    }
    const bool appears = prepared.contains(QLatin1String(R"("event":"willAppear")"));
    if (!appears && !prepared.contains(QLatin1String(R"("event":"willDisappear")")))
        return;
    QJsonObject message = QJsonDocument::fromJson(prepared.toUtf8()).object();
    const QString context = message.value(QLatin1String("context")).toString();
    if (!appears) {
        visibleKeys.remove(context);
        return;
    }
    // Without settings and state of its own, it carries the key's when it is sent again.
    QJsonObject payload = message.value(QLatin1String("payload")).toObject();
    payload.insert(QStringLiteral("settings"), QJsonObject());
    payload.remove(QStringLiteral("state"));
    message.insert(QStringLiteral("payload"), payload);
    visibleKeys.insert(context, compactJson(message));
}

bool HostSession::mustSpace(const QString &event)
{
    if (!spacing || !event.contains(QLatin1String(R"("event":"keyDown")")))
        return false;
    const QString context =
        QJsonDocument::fromJson(event.toUtf8()).object().value(QLatin1String("context")).toString();
    const auto last = pressed.constFind(context);
    // A press whose scripts have not started after a while starts none (a live key hears it);
    // one that never ends holds the next at most as long as the plugin holds a key's keyUp.
    const bool started =
        last == pressed.cend() || scriptStarts > last->starts || last->since.hasExpired(300);
    const bool ended = last == pressed.cend() || scriptStarts - scriptEnds <= last->running ||
                       last->since.hasExpired(5000);
    if (started && ended) {
        Press now{scriptStarts, scriptStarts - scriptEnds, {}};
        now.since.start();
        pressed.insert(context, now);
        return false;
    }
    return true;
}
