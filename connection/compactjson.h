#pragma once

#include <QJsonObject>
#include <QString>

// An object as QJsonDocument::toJson(QJsonDocument::Compact) writes it (no spaces, keys in
// ascending order, the same escapes and numbers), as text: a message goes to the host a few
// times per press, and Qt's own way there (a CBOR copy of the object, UTF-8, then back to the
// text the socket wants) costs more than the rest of the press together.
QString compactJson(const QJsonObject &object);

// Appends text as a JSON string, quoted and escaped as compactJson writes it: for a message
// written as text at once.
void appendJsonString(QString &out, const QString &text);
