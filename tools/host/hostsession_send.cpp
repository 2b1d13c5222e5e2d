// HostSession: sending events, as the plugin takes them.
#include "hostsession.h"

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
    toSend.append({parsed.first, 1});
    if (parsed.repeats > 0 &&
        !(parsed.repeated.events.isEmpty() && parsed.repeated.delayed.isEmpty()))
        toSend.append({parsed.repeated, parsed.repeats});
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
    if (registered && !ended)
        send(event);
}

void HostSession::send(const QString &event)
{
    // As the host would send it: with the key's settings and state.
    const QString prepared = keys.prepare(event);
    if (options.verbose)
        out << "> " << prepared << Qt::endl;
    socket->sendTextMessage(prepared);
    quietTimer.start(options.quietMs);
}
