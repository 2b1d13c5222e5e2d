#pragma once

#include <QByteArray>
#include <QString>

// One line a script printed: a command word, a space, an argument.
struct ScriptLine
{
    QString text;        // the line as decoded and trimmed; what the log shows
    QString word;        // up to the first space; the whole line without one
    QString argument;    // after the first space, with each backslash-n turned into a line feed
    QString rawArgument; // after the first space, as printed: for JSON and paths

    // Decodes UTF-8 and trims; only a space (not a tab) splits, and a second space is kept.
    static ScriptLine parse(const QByteArray &bytes);
};
