#pragma once

#include <QHash>
#include <QJsonObject>
#include <QString>

// What the host keeps of each key: its action, its settings, its state, its title and its image.
// Settings and state belong to the key's action: a key given another action starts afresh, and
// what the earlier action had comes back with it, so one action's settings never reach another.
// The plugin's commands change it, and every event sent for a key carries the key's settings and
// state, as the host's events do. It may be kept in a JSON file across runs, as the host keeps
// its keys across restarts.
class KeyStore
{
public:
    struct Key
    {
        QString action;
        QJsonObject settings;
        int state = -1; // none known
        QString title;
        QString image;
    };

    // Takes in what the plugin sent: setSettings, setState, setTitle and setImage change their
    // key, setGlobalSettings the plugin's shared settings; anything else changes nothing.
    void apply(const QJsonObject &message);

    // The event as it is to be sent. Settings it brings of its own (not empty) become the key's;
    // otherwise it carries the key's. The same for its state.
    QString prepare(const QString &event);

    // Reads the keys kept in file; a file that does not exist yet is no error.
    bool load(const QString &file, QString *error);
    bool save(const QString &file, QString *error) const;

    const QHash<QString, Key> &keys() const { return byContext; }
    Key key(const QString &context) const { return byContext.value(context); }
    // A key given another action starts afresh, as the host's would.
    void reset(const QString &context, const QString &action)
    {
        byContext[context] = Key{action, {}, -1, {}, {}};
        aside.remove(asideKey(context, action));
    }
    void setSettings(const QString &context, const QJsonObject &settings)
    {
        byContext[context].settings = settings;
    }
    // The plugin's settings shared by all its keys, which the host keeps under its UUID.
    const QJsonObject &globalSettings() const { return global; }
    void setGlobalSettings(const QJsonObject &settings) { global = settings; }

private:
    // The key context is to serve action: what another action had there is put aside.
    Key &serve(const QString &context, const QString &action);
    static QString asideKey(const QString &context, const QString &action)
    {
        return context + QLatin1Char('\n') + action;
    }

    QHash<QString, Key> byContext;
    QHash<QString, Key> aside; // by asideKey: the keys as other actions left them
    QJsonObject global;
};
