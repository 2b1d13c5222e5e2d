#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

// Keeps the scripts of one key in order: a script that must follow others starts once they are
// gone, or once maxWaitMs have passed, so that a script that never ends cannot hold its key for
// good. Scripts of other keys never wait for each other.
class KeyOrder : public QObject
{
    Q_OBJECT
public:
    static constexpr int maxWaitMs = 5000;

    using QObject::QObject;

    // Calls start when every object in before has been destroyed (at once when none is left),
    // or after maxWaitMs with late set. Returns the wait, which deleting cancels; nullptr when
    // start ran at once.
    QObject *after(const QList<QPointer<QObject>> &before, std::function<void(bool late)> start);
};
