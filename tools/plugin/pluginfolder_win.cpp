#include "pluginfolder.h"

#include <QDir>

#include <cstring>
#include <string>
#include <vector>

#include <qt_windows.h>
#include <winioctl.h>

QString PluginFolder::hostPluginsFolder()
{
    const QString appData = qEnvironmentVariable("APPDATA");
    return appData.isEmpty() ? QString()
                             : QDir(appData).filePath(QStringLiteral("Elgato/StreamDeck/Plugins"));
}

namespace {

std::wstring nativePath(const QString &path)
{
    return QDir::toNativeSeparators(QDir::cleanPath(path)).toStdWString();
}

} // namespace

bool PluginFolder::linkFolder(const QString &target, const QString &link)
{
    // A junction: an empty folder that becomes a mount point, which needs no privilege, where a
    // symbolic link needs the developer mode.
    const std::wstring at = nativePath(link);
    if (!CreateDirectoryW(at.c_str(), nullptr))
        return false;
    const HANDLE folder =
        CreateFileW(at.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (folder == INVALID_HANDLE_VALUE) {
        RemoveDirectoryW(at.c_str());
        return false;
    }
    // The mount point's reparse data: its tag and sizes, then the target as the system names it
    // and as it is shown, each ended by a zero.
    const std::wstring substitute = L"\\??\\" + nativePath(target);
    const std::wstring shown = nativePath(target);
    const WORD substituteBytes = WORD(substitute.size() * sizeof(wchar_t));
    const WORD shownBytes = WORD(shown.size() * sizeof(wchar_t));
    const WORD dataBytes =
        WORD(4 * sizeof(WORD) + substituteBytes + shownBytes + 2 * sizeof(wchar_t));
    std::vector<char> buffer(sizeof(DWORD) + 2 * sizeof(WORD) + dataBytes, 0);
    char *p = buffer.data();
    const auto put = [&p](const void *data, size_t size) {
        memcpy(p, data, size);
        p += size;
    };
    const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
    const WORD reserved = 0, substituteOffset = 0,
               shownOffset = WORD(substituteBytes + sizeof(wchar_t));
    put(&tag, sizeof tag);
    put(&dataBytes, sizeof dataBytes);
    put(&reserved, sizeof reserved);
    put(&substituteOffset, sizeof substituteOffset);
    put(&substituteBytes, sizeof substituteBytes);
    put(&shownOffset, sizeof shownOffset);
    put(&shownBytes, sizeof shownBytes);
    put(substitute.c_str(), substituteBytes + sizeof(wchar_t));
    put(shown.c_str(), shownBytes + sizeof(wchar_t));
    DWORD returned = 0;
    const bool made = DeviceIoControl(folder, FSCTL_SET_REPARSE_POINT, buffer.data(),
                                      DWORD(buffer.size()), nullptr, 0, &returned, nullptr);
    CloseHandle(folder);
    if (!made)
        RemoveDirectoryW(at.c_str());
    return made;
}

bool PluginFolder::isFolderLink(const QString &path)
{
    const DWORD attributes = GetFileAttributesW(nativePath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool PluginFolder::removeFolderLink(const QString &path)
{
    return RemoveDirectoryW(nativePath(path).c_str()); // the link, never what it leads to
}
