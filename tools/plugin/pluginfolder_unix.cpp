#include "pluginfolder.h"

#include <QFile>
#include <QFileInfo>

bool PluginFolder::linkFolder(const QString &target, const QString &link)
{
    return QFile::link(target, link);
}

bool PluginFolder::isFolderLink(const QString &path)
{
    return QFileInfo(path).isSymLink();
}

bool PluginFolder::removeFolderLink(const QString &path)
{
    return QFile::remove(path); // the link, never what it leads to
}
