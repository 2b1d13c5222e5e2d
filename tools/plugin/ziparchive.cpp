#include "ziparchive.h"

#include "inflate.h"

#include <QFileInfo>

#include <algorithm>
#include <array>

namespace {

quint16 u16(const uchar *p)
{
    return quint16(p[0] | p[1] << 8);
}

quint32 u32(const uchar *p)
{
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

quint32 crc32(const QByteArray &bytes)
{
    static const auto table = [] {
        std::array<quint32, 256> t{};
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xedb88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    quint32 crc = 0xffffffffu;
    for (const char byte : bytes)
        crc = table[(crc ^ uchar(byte)) & 0xff] ^ (crc >> 8);
    return crc ^ 0xffffffffu;
}

constexpr qint64 endRecord = 22; // the end of central directory record, without its comment
constexpr qint64 centralHeader = 46;
constexpr qint64 localHeader = 30;
constexpr quint32 maxEntrySize = 512u << 20; // a program file; anything larger is no keyscript's
constexpr qint64 maxTotalSize = qint64(1) << 30;

} // namespace

QString ZipArchive::open(const QString &path)
{
    // A FIFO or a device would never end, or never begin.
    if (!QFileInfo(path).isFile())
        return QFileInfo::exists(path) ? QStringLiteral("it is no regular file")
                                       : QStringLiteral("there is no such file");
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    size = file.size();
    data = size > 0 ? file.map(0, size) : nullptr;
    if (!data)
        return QStringLiteral("it cannot be read");
    // The end record is the last thing in the file but for a comment of up to 64 KiB.
    qint64 end = -1;
    for (qint64 at = size - endRecord; at >= 0 && at >= size - endRecord - 0xffff; --at) {
        if (u32(data + at) == 0x06054b50u) {
            end = at;
            break;
        }
    }
    if (end < 0)
        return QStringLiteral("it is no zip file");
    const quint16 count = u16(data + end + 10);
    const quint32 directorySize = u32(data + end + 12);
    const quint32 directory = u32(data + end + 16);
    if (count == 0xffff || directory == 0xffffffffu)
        return QStringLiteral("it is a ZIP64 file, which is not read");
    if (qint64(directory) + directorySize > end)
        return QStringLiteral("its directory is damaged");
    qint64 at = directory;
    for (quint16 i = 0; i < count; ++i) {
        if (at + centralHeader > end || u32(data + at) != 0x02014b50u)
            return QStringLiteral("its directory is damaged");
        const uchar *h = data + at;
        const quint16 nameLength = u16(h + 28);
        const qint64 next = at + centralHeader + nameLength + u16(h + 30) + u16(h + 32);
        if (next > end)
            return QStringLiteral("its directory is damaged");
        Entry entry;
        entry.encrypted = u16(h + 8) & 1;
        entry.method = u16(h + 10);
        entry.crc = u32(h + 16);
        entry.compressedSize = u32(h + 20);
        entry.size = u32(h + 24);
        entry.localOffset = u32(h + 42);
        if (h[5] == 3) // made on Unix: the mode is the high half of the external attributes
            entry.unixMode = u32(h + 38) >> 16;
        entry.name =
            QString::fromUtf8(reinterpret_cast<const char *>(h + centralHeader), nameLength);
        if (entry.size == 0xffffffffu || entry.compressedSize == 0xffffffffu)
            return QStringLiteral("it is a ZIP64 file, which is not read");
        list.append(entry);
        at = next;
    }
    return checkLayout();
}

QString ZipArchive::checkLayout() const
{
    // What unpacking would write, whatever the entries' data say: a bomb lists one small piece
    // of data many times, or claims sizes it never holds.
    qint64 total = 0;
    for (const Entry &entry : list)
        total += entry.size;
    if (total > maxTotalSize)
        return QStringLiteral("it would unpack to more than %1 MiB").arg(maxTotalSize >> 20);
    // Each entry's data is its own: entries that share bytes are refused, as unzip refuses them.
    QList<std::pair<qint64, qint64>> spans; // from, to
    for (const Entry &entry : list) {
        const qint64 at = entry.localOffset;
        if (at + localHeader > size)
            return QStringLiteral("%1: damaged").arg(entry.name);
        const qint64 start = at + localHeader + u16(data + at + 26) + u16(data + at + 28);
        spans.append({at, start + entry.compressedSize});
    }
    std::sort(spans.begin(), spans.end());
    for (qsizetype i = 1; i < spans.size(); ++i) {
        if (spans.at(i).first < spans.at(i - 1).second)
            return QStringLiteral("its entries overlap, as a zip bomb's do");
    }
    return QString();
}

QByteArray ZipArchive::read(const Entry &entry, QString *error) const
{
    const auto fail = [&](const QString &why) {
        *error = QStringLiteral("%1: %2").arg(entry.name, why);
        return QByteArray();
    };
    if (entry.encrypted)
        return fail(QStringLiteral("encrypted"));
    if (entry.size > maxEntrySize)
        return fail(QStringLiteral("larger than %1 MiB").arg(maxEntrySize >> 20));
    const qint64 at = entry.localOffset;
    if (at + localHeader > size || u32(data + at) != 0x04034b50u)
        return fail(QStringLiteral("damaged"));
    const qint64 start = at + localHeader + u16(data + at + 26) + u16(data + at + 28);
    if (start + entry.compressedSize > size)
        return fail(QStringLiteral("cut short"));
    QByteArray bytes;
    if (entry.method == 0) {
        if (entry.compressedSize != entry.size)
            return fail(QStringLiteral("damaged"));
        bytes = QByteArray(reinterpret_cast<const char *>(data + start), entry.size);
    } else if (entry.method == 8) {
        bytes = QByteArray(entry.size, Qt::Uninitialized);
        if (!inflateRaw(data + start, entry.compressedSize, bytes.data(), bytes.size()))
            return fail(QStringLiteral("damaged"));
    } else {
        return fail(
            QStringLiteral("packed in a way that is not read (method %1)").arg(entry.method));
    }
    if (crc32(bytes) != entry.crc)
        return fail(QStringLiteral("damaged (its CRC-32 does not match)"));
    return bytes;
}
