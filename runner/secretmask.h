#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

// What logs and outputs show in place of a setting declared secret ("# keyscript setting:
// password secret ..."): the script gets the value, nobody who reads along does.
namespace SecretMask {

inline const QString dots = QStringLiteral("\u2022\u2022\u2022");

// What a script's run knows to hide: the names of its secrets, and the values they have (a
// script may print one where no setting is named).
struct Secrets
{
    QStringList names;
    QStringList values;
};

// settings with the value of each secret named, where it has one, as dots.
QJsonObject masked(const QJsonObject &settings, const QStringList &secrets);
// A line a script printed, as the log shows it: the JSON of setSettings and setGlobalSettings
// with its secrets as dots, and anywhere a secret's known value of four characters or more.
// A settings line that names a secret and cannot be read shows its word only.
QString maskedLine(const QString &line, const Secrets &secrets);
// A message between host and plugin, as a stand-in host shows it: the settings of an event
// and of setSettings and setGlobalSettings with their secrets as dots; none when it has nothing
// to hide.
QJsonObject maskedMessage(const QJsonObject &message, const QStringList &secrets);
// The names of the settings, and shared settings, that the scripts in folder declare secret.
QStringList declaredIn(const QString &folder);

} // namespace SecretMask
