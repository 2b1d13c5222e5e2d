#pragma once

#include <QString>

// The image of a script's "setImage VALUE" line, as the host takes it: a data URI, or "" for the
// key's own image. VALUE is nothing, a data URI, inline SVG ("<svg ..."), or an image file; a
// relative path is taken from the folder that holds the script.
struct ScriptImage
{
    static constexpr qint64 maxFileSize = 1024 * 1024;

    QString image; // what to send
    QString file;  // the file it was read from, if any
    QString error; // why there is nothing to send; empty when there is

    static ScriptImage fromValue(const QString &value, const QString &scriptDir);
    // Whether path names a file of a type the host shows (by its suffix, in any case).
    static bool isImageFile(const QString &path);
};
