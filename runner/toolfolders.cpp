#include "toolfolders.h"

QStringList usualToolFolders(const QString &etcPaths, const QStringList &etcPathsD)
{
    QStringList folders{QStringLiteral("/opt/homebrew/bin"), QStringLiteral("/opt/homebrew/sbin"),
                        QStringLiteral("/usr/local/bin")};
    for (const QString &text : QStringList{etcPaths} + etcPathsD) {
        for (const QString &line : text.split(QLatin1Char('\n'))) {
            const QString folder = line.trimmed();
            if (folder.startsWith(QLatin1Char('/')))
                folders << folder;
        }
    }
    return folders;
}

QString withToolFolders(const QString &path, const QStringList &folders,
                        const std::function<bool(const QString &)> &isFolder)
{
    QStringList entries = path.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    // A folder given with a trailing slash is the same folder.
    const auto same = [](QString folder) {
        while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
            folder.chop(1);
        return folder;
    };
    QStringList known;
    for (const QString &entry : std::as_const(entries))
        known << same(entry);
    for (const QString &folder : folders) {
        const QString normal = same(folder);
        if (known.contains(normal) || !isFolder(normal))
            continue;
        known << normal;
        entries << normal;
    }
    return entries.join(QLatin1Char(':'));
}
