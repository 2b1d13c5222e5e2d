#include "installerfile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

// Windows makes no links without a privilege: what the link leads to is copied in its place.
bool InstallerFile::placeLink(const QString &target, const QString &at)
{
    const QString from = QDir::cleanPath(QFileInfo(at).path() + QLatin1Char('/') + target);
    if (QFileInfo(from).isFile())
        return QDir().mkpath(QFileInfo(at).path()) && QFile::copy(from, at);
    QDirIterator it(from, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString copy = QDir(at).filePath(QDir(from).relativeFilePath(file));
        if (!QDir().mkpath(QFileInfo(copy).path()) || !QFile::copy(file, copy))
            return false;
    }
    return QFileInfo(from).isDir();
}
