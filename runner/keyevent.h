#pragma once

#include <QJsonObject>
#include <QLatin1String>
#include <QString>

struct QStreamDeckAction;

// One event of one key, as the scripts see it: which script it runs, what that script is told,
// and which key its output drives.
struct KeyEvent
{
    QString event; // keyDown, keyUp, willAppear, willDisappear, didReceiveSettings or a dial's
    QString action;
    QString context;
    QString device;
    QJsonObject payload;

    static KeyEvent from(QLatin1String event, const QStreamDeckAction &action);

    // A key press runs cmd/<action>; every other event cmd/<action>@<event>.
    bool isKeyPress() const { return event == QLatin1String("keyDown"); }
    bool isDialEvent() const;
    // Whether the key is a dial's, which shows what it is given on the touch strip.
    bool drawsOnStrip() const;
    QString scriptName() const;
};
