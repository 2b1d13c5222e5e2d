#pragma once

#include <QByteArray>
#include <QString>

// An image the plugin sent as a base64 data URI ("data:image/png;base64,...").
struct DataImage
{
    QString type; // the media type; empty when the text is no base64 data URI
    QByteArray bytes;

    // The usual file name suffix for the type: png, jpg, gif, bmp, svg; "img" for another.
    QString suffix() const;
    // "image/png, 1234 bytes", as keyscript-host prints it instead of the base64.
    QString describe() const;

    static DataImage fromUri(const QString &uri);
};
