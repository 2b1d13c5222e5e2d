#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

// A zip file read from its central directory: the names, sizes and modes of its entries, and
// each entry's bytes, stored or deflated, checked against their CRC-32. Encrypted entries, ZIP64
// archives, entries whose data overlap and more than 1 GiB in all are refused, and only a
// regular file is opened.
class ZipArchive
{
public:
    struct Entry
    {
        QString name;
        quint16 method = 0;
        quint32 crc = 0;
        quint32 compressedSize = 0;
        quint32 size = 0;
        quint32 localOffset = 0;
        quint32 unixMode = 0; // 0 unless made on a Unix system
        bool encrypted = false;

        bool isLink() const { return (unixMode & 0170000) == 0120000; }
        bool isDir() const { return name.endsWith(QLatin1Char('/')); }
    };

    // The reason on failure, empty when the file is read.
    QString open(const QString &path);
    const QList<Entry> &entries() const { return list; }
    // An entry's bytes; the reason on failure in *error.
    QByteArray read(const Entry &entry, QString *error) const;

private:
    // Refuses what a careful unpacker refuses: more than 1 GiB in all, and entries that share
    // their bytes.
    QString checkLayout() const;

    QFile file;
    const uchar *data = nullptr;
    qint64 size = 0;
    QList<Entry> list;
};
