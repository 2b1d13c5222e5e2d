#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QSet>
#include <QString>
#include <QStringList>

// The fingerprints of the typed scripts this computer's user has seen and allowed, kept in a
// file of their own: a key's settings travel in profiles that people share, and a script that
// came that way runs only once it is allowed here. The file holds one fingerprint a line, the
// newest last; it is read again when it changes, and written whole to a new file that then takes
// its place, so a reader never sees half of it.
class TrustedScripts
{
public:
    // Beyond this, the fingerprints allowed longest ago are forgotten: every save of a script
    // on its page allows its new text.
    static constexpr int maxKept = 10000;
    static constexpr const char *fileName = "trusted-scripts.txt";

    // The file in folder.
    explicit TrustedScripts(QString folder);

    // The folder the plugin keeps its own file in: KEYSCRIPT_CONFIG_DIR where a stand-in host
    // names one of its own (the host never does), else the user's configuration folder for it.
    static QString configFolder();

    bool isTrusted(const QByteArray &fingerprint);
    // Adds fingerprint and writes the file; false, with error() saying why, when it cannot.
    bool trust(const QByteArray &fingerprint);
    QString error() const { return lastError; }
    QString filePath() const;

private:
    void reload();

    QString folder;
    QList<QByteArray> order; // oldest first
    QSet<QByteArray> known;
    QDateTime readModified;
    qint64 readSize = -1;
    QString lastError;
};
