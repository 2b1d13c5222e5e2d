#include "scriptdirectory.h"

#include <QFile>

#include <sys/stat.h>

qint64 ScriptDirectory::modificationTime(const QString &path)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
#ifdef Q_OS_DARWIN
    const timespec &time = info.st_mtimespec;
#else
    const timespec &time = info.st_mtim;
#endif
    return qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

QString ScriptDirectory::fileKey(const QString &name)
{
    return name;
}
