#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

// keyscript's own actions whose script is typed on the key's settings page rather than kept in
// cmd/: "Run" runs it when the key is pressed, "Watch" when the key appears, again every so
// often while it is visible, and when it is pressed. Both serve dials too.
namespace TypedActions {
inline QString run()
{
    return QStringLiteral("org.keyscript.run");
}
inline QString watch()
{
    return QStringLiteral("org.keyscript.watch");
}
bool isTyped(const QString &action);
// Whether the action's script runs for the event: a press, a dial's turn, push or touch, and
// Watch's appearance.
bool runsOn(const QString &action, const QString &event);
// The interpreters the page offers, and the one a key without the setting gets: Windows
// PowerShell on Windows, sh elsewhere.
const QStringList &interpreters();
QString defaultInterpreter();
} // namespace TypedActions

// The script a key's settings hold, and what its run is to do to the key.
struct TypedScript
{
    QString text;        // "script"
    QString interpreter; // "interpreter", or the default
    QString folder;      // "folder" with a leading "~" made the home folder; the home by default
    QString title;       // "title", a template; "{output}" by default, empty: the title is left
    bool alertOnFailure = true; // "onFailure" is not "none"
    bool okOnSuccess = false;   // "onSuccess" is "ok"
    int everySeconds = 10;      // "every", at least 1: how often a Watch key runs it
    // The key's other settings: what the script is told, without "script" itself.
    QJsonObject settings;

    static TypedScript fromSettings(const QJsonObject &settings);

    // SHA-256 of the interpreter, a NUL and the script's text, in hex: what this computer's
    // user allows to run.
    static QByteArray fingerprint(const QString &interpreter, const QString &text);
    QByteArray fingerprint() const { return fingerprint(interpreter, text); }

    // The file name suffix its interpreter expects: ".ps1", ".cmd", ".py", ".js" or ".sh".
    QString fileSuffix() const;
    // The text as its file holds it: cmd reads Windows line ends, the shells only Unix ones, and
    // Windows PowerShell reads a file without a byte order mark in the ANSI code page.
    QByteArray fileContent() const;

    // The title a run shows: the template with {output} the last line the script printed that
    // was no command, {exit} its exit code and {name} the setting name; an unknown name stays.
    QString titleFor(const QString &output, int exitCode) const;
};
