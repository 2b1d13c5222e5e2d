#include "zipwriter.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <zlib.h>

namespace {

constexpr qint64 maxEntrySize = qint64(512) << 20; // as the reader takes them

void put16(QByteArray &out, quint32 value)
{
    out.append(char(value & 0xff)).append(char((value >> 8) & 0xff));
}

void put32(QByteArray &out, quint32 value)
{
    put16(out, value & 0xffff);
    put16(out, value >> 16);
}

// Raw DEFLATE, as a zip entry holds it; empty with *ok false when zlib fails.
QByteArray deflated(const QByteArray &bytes, bool *ok)
{
    z_stream stream{};
    *ok = deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8,
                       Z_DEFAULT_STRATEGY) == Z_OK;
    if (!*ok)
        return QByteArray();
    QByteArray out(qsizetype(deflateBound(&stream, uLong(bytes.size()))), Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(bytes.constData()));
    stream.avail_in = uInt(bytes.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = uInt(out.size());
    *ok = deflate(&stream, Z_FINISH) == Z_STREAM_END;
    out.truncate(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

// MS-DOS date and time, as zip keeps them: two-second steps, from 1980.
quint32 dosTime(const QDateTime &when)
{
    const QDateTime local = when.toLocalTime();
    const QDate date = local.date().year() < 1980 ? QDate(1980, 1, 1) : local.date();
    const QTime time = local.date().year() < 1980 ? QTime(0, 0) : local.time();
    return quint32((date.year() - 1980) << 25 | date.month() << 21 | date.day() << 16 |
                   time.hour() << 11 | time.minute() << 5 | time.second() / 2);
}

} // namespace

QString ZipWriter::pack(const QString &folder, const QString &path)
{
    const QFileInfo root(folder);
    if (!root.isDir())
        return QStringLiteral("%1 is no folder").arg(QDir::toNativeSeparators(folder));
    QStringList names;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        names << QDir(folder).relativeFilePath(it.next());
    names.sort(); // the same folder makes the same file
    names.prepend(QString());

    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return QStringLiteral("cannot write %1: %2")
            .arg(QDir::toNativeSeparators(path), out.errorString());
    QByteArray central;
    quint32 count = 0;
    for (const QString &name : std::as_const(names)) {
        const QFileInfo info(name.isEmpty() ? folder : QDir(folder).filePath(name));
        if (info.isSymLink())
            return QStringLiteral("%1 is a link, which would lead nowhere on another computer")
                .arg(QDir::toNativeSeparators(info.filePath()));
        const bool dir = info.isDir();
        if (!dir && !info.isFile())
            return QStringLiteral("%1 is no regular file")
                .arg(QDir::toNativeSeparators(info.filePath()));
        if (info.size() > maxEntrySize)
            return QStringLiteral("%1 is larger than 512 MiB")
                .arg(QDir::toNativeSeparators(info.filePath()));
        const QByteArray entryName =
            (root.fileName() + (name.isEmpty() ? QString() : QLatin1Char('/') + name) +
             (dir ? QStringLiteral("/") : QString()))
                .toUtf8();
        QByteArray bytes;
        if (!dir) {
            QFile file(info.filePath());
            if (!file.open(QIODevice::ReadOnly))
                return QStringLiteral("cannot read %1: %2")
                    .arg(QDir::toNativeSeparators(info.filePath()), file.errorString());
            bytes = file.readAll();
        }
        bool ok = true;
        const QByteArray packed = dir ? QByteArray() : deflated(bytes, &ok);
        if (!ok)
            return QStringLiteral("cannot compress %1")
                .arg(QDir::toNativeSeparators(info.filePath()));
        const quint32 crc = quint32(
            crc32(0, reinterpret_cast<const Bytef *>(bytes.constData()), uInt(bytes.size())));
        const quint32 when = dosTime(info.lastModified());
        const bool program = info.permissions() & QFileDevice::ExeOwner;
        const quint32 mode = dir ? 040755 : program ? 0100755 : 0100644;
        const quint32 offset = quint32(out.pos());
        const quint16 method = dir ? 0 : 8;

        // What the local header and the central directory's entry say alike, from the version
        // needed on.
        QByteArray common;
        put16(common, 20);       // version needed: 2.0
        put16(common, 1u << 11); // names in UTF-8
        put16(common, method);
        put32(common, when);
        put32(common, crc);
        put32(common, quint32(packed.size()));
        put32(common, quint32(bytes.size()));
        put16(common, quint32(entryName.size()));

        QByteArray local;
        put32(local, 0x04034b50);
        local += common;
        put16(local, 0); // extra
        out.write(local + entryName + packed);

        put32(central, 0x02014b50);
        put16(central, 3u << 8 | 20); // made on Unix: the mode below counts
        central += common;
        put16(central, 0); // extra
        put16(central, 0); // comment
        put16(central, 0); // disk
        put16(central, 0); // internal attributes
        put32(central, mode << 16 | (dir ? 0x10 : 0));
        put32(central, offset);
        central += entryName;
        if (out.pos() > qint64(0xfff00000) || ++count > 0xfff0)
            return QStringLiteral("the folder is too large for one installer file");
    }
    const quint32 centralOffset = quint32(out.pos());
    QByteArray end;
    put32(end, 0x06054b50);
    put16(end, 0);
    put16(end, 0);
    put16(end, count);
    put16(end, count);
    put32(end, quint32(central.size()));
    put32(end, centralOffset);
    put16(end, 0);
    out.write(central + end);
    if (!out.commit())
        return QStringLiteral("cannot write %1: %2")
            .arg(QDir::toNativeSeparators(path), out.errorString());
    return QString();
}
