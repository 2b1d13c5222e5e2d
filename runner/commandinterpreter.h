#pragma once

#include <QString>
#include <QStringList>

class QProcess;

// Batch scripts on Windows: a ".bat" or ".cmd" file (any case) is run by cmd.exe, which reads its
// command line again by its own rules. Elsewhere no script is a batch script.
bool isBatchScript(const QString &program);

// Makes process run its batch script through cmd.exe from the system directory, with a command
// line on which no setting can become a command or a variable. Returns why that is impossible,
// or an empty string when the process is ready to start.
QString runThroughCommandInterpreter(QProcess &process);

// PowerShell scripts on Windows: a ".ps1" file, run by Windows PowerShell from the system
// folder, or with sevenOrLater by PowerShell 7 (pwsh.exe, where it installs), as
//     powershell.exe -NoProfile -NonInteractive -ExecutionPolicy Bypass -File SCRIPT ARGUMENTS
// each argument one on the command line, quoted as Windows programs split it. Elsewhere no
// script is one.
bool isPowerShellScript(const QString &program);
QStringList powerShellArguments(const QString &script, const QStringList &arguments);
// Makes process run its script so; returns why it cannot, or an empty string.
QString runThroughPowerShell(QProcess &process, bool sevenOrLater);
// The interpreter that runs the script at path, as its author would look for it; empty for a
// script that runs by itself.
QString interpreterOf(const QString &path, bool sevenOrLater);
