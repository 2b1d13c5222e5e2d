#pragma once

#include <QString>

// One message from the plugin as a person reads it:
//   setTitle context=key-1 target=0 title="Hello"
// the event name, then the top-level members, then the payload's members, each in key order;
// texts that are not a plain word are quoted as in JSON; an image as <image/png, 1234 bytes>. Text
// that is no JSON object comes back as it is.
QString readableMessage(const QString &json);
