#pragma once

#include "plugin/pluginmanifest.h"

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
        QString userTitle; // typed by the user for the key; none when empty
        QJsonObject kept;  // as read from a --keep file: what a newer run wrote stays
        // A dial's part of the touch strip: its layout and the values its items were given.
        QString layout;
        QJsonObject feedback;
        bool dial = false; // shown on a dial (its events say "controller": "Encoder")
    };
    // The largest --keep file read: far more than any device's keys need.
    static constexpr qint64 largestKeepFile = 16 * 1024 * 1024;

    // The plugin's manifest, as the host reads it: from now on a key has a state only when its
    // action has two, the host flips it after each release unless the action disables that,
    // a user's title hides the plugin's, and only the profiles listed can be switched to.
    // Without one, every key keeps the state it is given or set.
    void setManifest(const PluginManifest &manifest)
    {
        this->manifest = manifest;
        manifestKnown = true;
    }
    const PluginManifest *pluginManifest() const { return manifestKnown ? &manifest : nullptr; }

    // Takes in what the plugin sent: setSettings, setState, setTitle and setImage change their
    // key, setGlobalSettings the plugin's shared settings; anything else changes nothing.
    // Returns why the host would not do what was asked, or nothing when it would: a state
    // other than 0 or 1, or of an action of one state, setState and showOk on a dial, ...
    QString apply(const QJsonObject &message);

    // The event as it is to be sent. Settings it brings of its own (not empty) become the key's;
    // otherwise it carries the key's. The same for its state, and a "userTitle" it brings (which
    // the host never sends: a stand-in's way of typing one) becomes the key's. In a multi-action
    // a key has no coordinates, and a press of a two-state action says the state the user chose.
    QString prepare(const QString &event);

    // The titleParametersDidChange the host sends when the user gives the key of prepared (an
    // event from prepare) a title.
    QString titleChange(const QString &prepared) const;

    // Reads the keys kept in file; a file that does not exist yet is no error.
    bool load(const QString &file, QString *error); // fields it does not know are kept
    // The file never passes largestKeepFile, which load() reads: the largest pictures are left
    // out until it fits, and *note names their keys.
    bool save(const QString &file, QString *error, QString *note = nullptr) const;

    const QHash<QString, Key> &keys() const { return byContext; }
    Key key(const QString &context) const { return byContext.value(context); }
    // A key given another action starts afresh, as the host's would.
    void reset(const QString &context, const QString &action)
    {
        byContext[context] = Key{action, {}, -1, {}, {}, {}, {}, {}, {}, false};
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
    QJsonObject keptDocument; // the --keep file as read, for the fields this run does not know
    PluginManifest manifest;
    bool manifestKnown = false;
    // The number of states of the action, as the manifest says; 0 without a manifest.
    int statesOf(const QString &action) const;
};
