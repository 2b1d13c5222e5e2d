#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// macOS starts the host, and so the plugin, with a bare PATH (/usr/bin:/bin:/usr/sbin:/sbin):
// the tools people install (Homebrew's, those under /usr/local/bin) are not found there, though
// they are in the author's terminal. Scripts get them after the PATH the plugin was given.

// The folders a Mac's terminal has on its PATH: Homebrew's and /usr/local/bin, then each line
// of /etc/paths and of the files in /etc/paths.d (in name order), as given.
QStringList usualToolFolders(const QString &etcPaths, const QStringList &etcPathsD);

// path with each of folders appended that exists and is not on it yet, in their order.
QString withToolFolders(const QString &path, const QStringList &folders,
                        const std::function<bool(const QString &)> &isFolder);
