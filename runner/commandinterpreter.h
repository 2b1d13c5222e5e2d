#pragma once

#include <QString>

class QProcess;

// Batch scripts on Windows: a ".bat" or ".cmd" file (any case) is run by cmd.exe, which reads its
// command line again by its own rules. Elsewhere no script is a batch script.
bool isBatchScript(const QString &program);

// Makes process run its batch script through cmd.exe from the system directory, with a command
// line on which no setting can become a command or a variable. Returns why that is impossible,
// or an empty string when the process is ready to start.
QString runThroughCommandInterpreter(QProcess &process);
