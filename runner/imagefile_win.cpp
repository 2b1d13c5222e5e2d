#include "imagefile.h"

#include <QDir>

#include <qt_windows.h>

ImageFile ImageFile::read(const QString &path, qint64 maxSize)
{
    return read(path, maxSize, true);
}

QByteArray ImageFile::start(const QString &path, qint64 size)
{
    return read(path, size, false).bytes;
}

ImageFile ImageFile::read(const QString &path, qint64 maxSize, bool whole)
{
    // Backup semantics let a folder open too, so that it is told apart from a missing file.
    const QString native = QDir::toNativeSeparators(path);
    const HANDLE file = CreateFileW(reinterpret_cast<const wchar_t *>(native.utf16()), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                   ? ImageFile{Missing, {}, {}}
                   : ImageFile{Failed, {}, qt_error_string(int(error))};
    }
    ImageFile result;
    BY_HANDLE_FILE_INFORMATION info = {};
    LARGE_INTEGER size = {};
    if (GetFileType(file) != FILE_TYPE_DISK) {
        result.status = NotAFile; // a pipe or a device
    } else if (!GetFileInformationByHandle(file, &info) || !GetFileSizeEx(file, &size)) {
        result.error = qt_error_string(int(GetLastError()));
    } else if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        result.status = NotAFile;
    } else if (whole && size.QuadPart > maxSize) {
        result.status = TooLarge;
    } else {
        // One byte more than allowed: the file may have grown since it was looked at.
        QByteArray bytes(maxSize + 1, Qt::Uninitialized);
        qsizetype total = 0;
        DWORD n = 0;
        while (total < bytes.size() &&
               ReadFile(file, bytes.data() + total, DWORD(bytes.size() - total), &n, nullptr) &&
               n > 0)
            total += n;
        bytes.truncate(whole ? total : qMin<qsizetype>(total, maxSize));
        result.status = bytes.size() > maxSize ? TooLarge : Read;
        if (result.status == Read)
            result.bytes = bytes;
    }
    CloseHandle(file);
    return result;
}
