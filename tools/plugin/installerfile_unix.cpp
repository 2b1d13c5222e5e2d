#include "installerfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

bool InstallerFile::placeLink(const QString &target, const QString &at)
{
    return QDir().mkpath(QFileInfo(at).path()) && QFile::link(target, at);
}
