#pragma once

#include <QProcessEnvironment>
#include <QString>

class QProcess;
struct TypedScript;

// Which program runs a typed script, as found here: its path, or why there is none, in words
// for the page ("python3 is not installed: ...").
struct TypedInterpreter
{
    QString program;
    QString problem;

    // Looks the interpreter up on the PATH the scripts get; Windows PowerShell and cmd are the
    // system's own.
    static TypedInterpreter find(const QString &interpreter,
                                 const QProcessEnvironment &environment);

    // Makes process, whose arguments are the settings' already, run file with the interpreter:
    // the file first, then those arguments. Returns why it cannot, or an empty string. An
    // interpreter found is kept for the next run (the scripts' PATH is fixed while the plugin
    // runs) until forget() is told that it failed to start.
    static QString prepare(QProcess &process, const TypedScript &typed, const QString &file,
                           const QProcessEnvironment &environment);
    static void forget(const QString &interpreter);
};
