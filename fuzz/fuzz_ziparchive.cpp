// An installer file as keyscript-host reads it: its directory, then every entry's bytes. A
// damaged or hostile file is refused; none reads or writes outside its buffers (the sanitizers
// say so), and nothing it holds makes the reader allocate more than its bounds allow.
#include "plugin/ziparchive.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("input.zip"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    ZipArchive zip;
    if (!zip.open(path).isEmpty())
        return 0;
    for (const ZipArchive::Entry &entry : zip.entries()) {
        QString error;
        zip.read(entry, &error);
    }
    return 0;
}
