// PluginPlan: which of the author's files go into a plugin. Only what is inside the scripts'
// folder, regular files and folders, and never a plugin folder: a plugin is shared, and a
// link to /etc or to the author's documents must not travel with it.
#include "pluginplan.h"

#include <QDir>

namespace {

bool isInside(const QString &path, const QString &folder)
{
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

// A plugin folder, or the maker's own lock and half-made or old folders beside one.
bool isPluginFolderName(const QString &name)
{
    return name.endsWith(QLatin1String(".sdPlugin")) || name.contains(QLatin1String(".sdPlugin."));
}

} // namespace

PluginPlan::Entry PluginPlan::classify(const QString &relative, const QFileInfo &info)
{
    const QString canonical = info.canonicalFilePath();
    if (isPluginFolderName(info.fileName())) {
        if (info.isDir() && info.fileName().endsWith(QLatin1String(".sdPlugin")))
            leftOut << QStringLiteral("%1 (a plugin folder: never part of another)").arg(relative);
        return Entry::LeftOut;
    }
    if (!excludedFolder.isEmpty() && canonical == excludedFolder) {
        leftOut << QStringLiteral("%1 (the folder the plugin is made in)").arg(relative);
        return Entry::LeftOut;
    }
    if (info.isSymLink()) {
        const QString target = QDir::toNativeSeparators(info.symLinkTarget());
        if (canonical.isEmpty()) {
            leftOut
                << QStringLiteral("%1 (a link to %2, which is not there)").arg(relative, target);
            return Entry::LeftOut;
        }
        // A folder that leads back to one it is in would copy itself without end.
        if (info.isDir() &&
            isInside(QFileInfo(info.absolutePath()).canonicalFilePath(), canonical)) {
            leftOut << QStringLiteral("%1 (a link back to a folder it is in)").arg(relative);
            return Entry::LeftOut;
        }
        if (!isInside(canonical, root)) {
            if (!followLinks) {
                leftOut << QStringLiteral("%1 (a link to %2, outside the scripts' folder; "
                                          "--follow-links copies it)")
                               .arg(relative, target);
                return Entry::LeftOut;
            }
            followed << QStringLiteral("%1 -> %2").arg(relative, target);
        }
    }
    if (info.isDir())
        return Entry::Folder;
    if (info.isFile())
        return Entry::File;
    leftOut
        << QStringLiteral("%1 (no regular file or folder: a FIFO, socket or device)").arg(relative);
    return Entry::LeftOut;
}

void PluginPlan::addFolder(const QString &relative)
{
    // A folder beside the scripts holds their files: every file in it goes along, hidden ones
    // too, under the same rules.
    const QDir folder(QDir(scriptsFolder).filePath(relative));
    const QString canonical = folder.canonicalPath();
    if (walking.contains(canonical)) {
        leftOut << QStringLiteral("%1 (a link back to a folder it is in)").arg(relative);
        return;
    }
    walking << canonical;
    const QFileInfoList entries = folder.entryInfoList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
    for (const QFileInfo &info : entries) {
        const QString path = relative + QLatin1Char('/') + info.fileName();
        switch (classify(path, info)) {
        case Entry::File:
            copied << path;
            break;
        case Entry::Folder:
            addFolder(path);
            break;
        case Entry::LeftOut:
            break;
        }
    }
    walking.removeLast();
}
