#pragma once

#include "hostdevice.h"

#include <QJsonObject>
#include <QString>

class ArgumentReader;

// One event of a key, as asked for on the command line: "press ACTION --settings JSON ...".
struct KeyAction
{
    QString event; // the host's name for it
    QString action;
    QString context;
    QString device;
    QJsonObject settings;
    int state = -1; // none
    int column = 0;
    int row = 0;
    int forMs = -1;    // an appear that is followed by its disappear after this long
    QString userTitle; // a title the user typed for the key
    bool inMultiAction = false;
    int desiredState = -1; // the state the user chose for a step of a multi-action; none
    // A dial's: how far it turns and whether it is held meanwhile, where the strip is touched
    // (on its 200 by 100 canvas) and whether for long.
    int ticks = 0;
    bool pressed = false;
    int tapX = 100;
    int tapY = 50;
    bool hold = false;
    QJsonObject resources; // of didReceiveResources

    // The host's name for the event of a word of the command line; none when it names no event
    // of a key.
    static QString eventOf(const QString &word);
    static bool isDialWord(const QString &word);
    // Reads the action after word and the options of the event that follow it.
    static KeyAction read(ArgumentReader &reader, const QString &word, const HostDevice &device);
    // The event as the host sends it to the key context (event: this one's, or its end's).
    QString text(const QString &eventName, const QString &context) const;
};
