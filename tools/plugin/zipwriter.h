#pragma once

#include <QString>

// Packs a plugin folder into the host's installer file: a zip file with the folder itself at
// its root, each file deflated and keeping its Unix mode, so that a program stays executable
// where it is unpacked. The file appears whole or not at all.
class ZipWriter
{
public:
    // Packs folder into path; the reason on failure, empty when it is written. A link inside
    // the folder is refused: the file goes to another computer, where it would lead nowhere.
    static QString pack(const QString &folder, const QString &path);
};
