#pragma once

#include <QByteArray>
#include <QString>

// The bytes of an image file a script names, or the start of a script. The file is opened
// without waiting and checked once open, so whatever the path names at that moment (a FIFO
// swapped in after a look at the path, a device), the event loop never waits on it.
struct ImageFile
{
    enum Status { Read, Missing, NotAFile, TooLarge, Failed };

    Status status = Failed;
    QByteArray bytes; // when Read
    QString error;    // when Failed: the system's reason

    static ImageFile read(const QString &path, qint64 maxSize);
    // The first size bytes of a regular file (all of a smaller one); none for anything else.
    static QByteArray start(const QString &path, qint64 size);

private:
    static ImageFile read(const QString &path, qint64 maxSize, bool whole);
};
