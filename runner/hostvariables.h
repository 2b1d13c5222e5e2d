#pragma once

#include <QProcessEnvironment>
#include <QString>

class HostInfo;
struct KeyEvent;

// The KEYSCRIPT_ variables of what the host told beyond the event's key: the key's device
// (_DEVICE_TYPE, _DEVICE_NAME, _DEVICE_COLUMNS, _DEVICE_ROWS, where the host has told of it),
// a deep link's URL (_URL, _URL_PATH, _URL_QUERY, _URL_FRAGMENT) and the application launched or
// ended (_APPLICATION).
void insertHostVariables(QProcessEnvironment &environment, const KeyEvent &event,
                         const HostInfo &host);
