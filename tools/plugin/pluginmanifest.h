#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

// What the host reads of a plugin folder's manifest.json: the plugin maker writes it, the
// stand-in host plays the host from it. Only the fields keyscript writes or the host's
// behaviour depends on are read; everything else the host reads is written as fixed text.
struct PluginManifest
{
    struct Action
    {
        QString uuid;
        QString name;
        QString tooltip;
        QString icon;                 // a path in the folder without its extension
        QStringList stateImages;      // one per state, each a path without its extension
        QStringList stateNames;       // the states' names, when the author gave them
        bool automaticStates = true;  // with two states, the host flips them on every press
        bool userTitleEnabled = true; // a title the user types hides the plugin's titles
        QStringList controllers{QStringLiteral("Keypad")}; // and "Encoder" for a dial's
        // A dial's: its strip's layout, its icon there, and the words for its gestures.
        QString encoderLayout;
        QString encoderIcon;
        QJsonObject triggerDescription;
    };
    struct Profile
    {
        QString name;       // the file's path in the folder without .streamDeckProfile
        int deviceType = 0; // the standard device
    };

    QString uuid;
    QString name;
    QString version;
    QString author;
    QString description;
    QString codePath;
    QString supportUrl;
    bool windows = false;
    // The applications whose start and end the host tells the plugin of: macOS bundle
    // identifiers and Windows programs' names.
    QStringList watchedMac;
    QStringList watchedWindows;
    QList<Action> actions;
    QList<Profile> profiles;
    // Whether a script answers deep links, which hosts before 6.5 never send: no field says
    // so, and the manifest asks for that host.
    bool hearsDeepLinks = false;

    // The action of that UUID; nullptr when the manifest has none.
    const Action *action(const QString &uuid) const;
    // Whether the plugin ships the profile, which is all the host switches to.
    bool hasProfile(const QString &name) const;

    QJsonObject toJson() const;
    // The oldest host that reads every field of a manifest: the newest of those its fields need.
    static QString minimumHostVersion(const QJsonObject &manifest);
    static PluginManifest fromJson(const QJsonObject &json);
    // The manifest.json of a plugin folder; none when it cannot be read as one.
    static std::optional<PluginManifest> read(const QString &folder);
};
