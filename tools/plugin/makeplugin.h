#pragma once

#include <QString>
#include <QStringList>

// "keyscript-host plugin": makes a plugin folder from a folder of scripts and says what it did
// on standard output, and what is wrong on standard error. Returns the exit code.
int makePlugin(const QStringList &arguments, const QString &programDir);
