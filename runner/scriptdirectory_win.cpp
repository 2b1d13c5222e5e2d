#include "scriptdirectory.h"

#include <QDir>

#include <qt_windows.h>

qint64 ScriptDirectory::modificationTime(const QString &path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    const QString native = QDir::toNativeSeparators(path);
    if (!GetFileAttributesExW(reinterpret_cast<const wchar_t *>(native.utf16()),
                              GetFileExInfoStandard, &data))
        return -1;
    // 100-nanosecond ticks since 1601 to nanoseconds since 1970.
    const qint64 ticks =
        (qint64(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    return (ticks - 116444736000000000LL) * 100;
}

QString ScriptDirectory::fileKey(const QString &name)
{
    return name.toCaseFolded();
}
