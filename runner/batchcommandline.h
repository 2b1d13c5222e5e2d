#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The command line that runs a batch script through cmd.exe with arguments that cmd.exe cannot
// read as more commands or as variables. On Windows a ".bat" file is run by cmd.exe, which
// parses the whole line again by its own rules: left to itself, a setting such as "&calc.exe
// would start another program. What this returns goes after cmd.exe:
//   /d /e:ON /v:OFF /c ""<script>" <argument> ..."
// The script path is always quoted. An argument is quoted only when it holds something other
// than letters, digits and #$*+-./:?@\_ (or is empty, or ends in a backslash), so plain values
// reach %1, %2, ... exactly as QProcess would pass them. Inside quotes, a double quote is
// doubled, a backslash stays as it is (cmd.exe gives it no meaning), and each % becomes
// %%cd:~,% (an empty
// substring of %cd%), so that no %variable% is expanded. No quoting can carry a line feed,
// carriage return or NUL through cmd.exe: with one of those, there is no command line.
std::optional<QString> batchCommandLine(const QString &script, const QStringList &arguments);
