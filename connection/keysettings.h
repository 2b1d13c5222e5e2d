#pragma once

#include <QHash>
#include <QJsonObject>
#include <QString>

// The newest settings the plugin knows of each key. The host's events carry the settings it
// had when it sent them; a key's script may have stored newer ones with setSettings since,
// which the host takes in order but has not sent back yet (a dial turned quickly: the next
// turn was sent before the last run's settings arrived). What a script stored counts until an
// event of the host carries it, the host sends the key's settings on their own
// (didReceiveSettings: what its page stored, which is later), or the key appears anew.
class KeySettings
{
public:
    // The plugin sent setSettings for the key.
    void stored(const QString &context, const QJsonObject &settings);
    // The host's event of the key, with the settings it carried.
    void heard(const QString &event, const QString &context, const QJsonObject &settings);
    // What a script started now for the key gets: carried, or what was stored since.
    QJsonObject newest(const QString &context, const QJsonObject &carried) const
    {
        return pending.value(context, carried);
    }

private:
    QHash<QString, QJsonObject> pending; // by context: stored, not yet carried back
};
