#include "keyorder.h"

#include <QTimer>

#include <memory>

QObject *KeyOrder::after(const QList<QPointer<QObject>> &before,
                         std::function<void(bool late)> start)
{
    QList<QObject *> alive;
    for (const QPointer<QObject> &object : before) {
        if (object)
            alive << object.data();
    }
    if (alive.isEmpty()) {
        start(false);
        return nullptr;
    }

    // The wait owns its connections and its timer: deleting it cancels everything.
    auto *wait = new QObject(this);
    const auto remaining = std::make_shared<qsizetype>(alive.size());
    const auto go = [wait, start, remaining](bool late) {
        if (*remaining < 0) // gone already
            return;
        *remaining = -1;
        wait->deleteLater();
        start(late);
    };
    for (QObject *object : std::as_const(alive)) {
        connect(object, &QObject::destroyed, wait, [remaining, go] {
            if (*remaining > 0 && --*remaining == 0)
                go(false);
        });
    }
    auto *timer = new QTimer(wait);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, wait, [go] { go(true); });
    timer->start(maxWaitMs);
    return wait;
}
