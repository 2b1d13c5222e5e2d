#include "pluginfolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTemporaryDir>

namespace {

// keyscript's own files, built into keyscript-host: the key's settings page, the plugin's icon
// and the category's as PNG (the host takes nothing else there), an action's icon and its key
// as SVG, and the two states of a Watch key.
const char *const ownFiles[] = {
    "settings.html",       "images/plugin.png",      "images/plugin@2x.png",
    "images/category.png", "images/category@2x.png", "images/action.svg",
    "images/key.svg",      "images/watch-ok.svg",    "images/watch-failed.svg"};

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

QString PluginFolder::make(const PluginPlan &plan, const QString &programDir, const QString &outDir,
                           bool linkScripts)
{
    if (!QFileInfo(QDir(programDir).filePath(plan.programName())).isFile())
        return QStringLiteral("%1 is not beside keyscript-host in %2: a folder for %3 is made "
                              "by the keyscript-host of that system")
            .arg(plan.programName(), native(programDir),
                 plan.system == PluginSystem::Windows ? QStringLiteral("Windows")
                                                      : QStringLiteral("macOS"));
    if (!QDir().mkpath(outDir))
        return QStringLiteral("cannot make the folder %1").arg(native(outDir));
    const QString target = QDir(outDir).absoluteFilePath(plan.folderName());
    // The caller holds the target's lock: what an earlier run that was cut short left beside
    // it is no other run's.
    const QDir out(outDir);
    for (const QString &left : out.entryList({plan.folderName() + QLatin1String(".new*")},
                                             QDir::AllEntries | QDir::Hidden | QDir::System)) {
        if (!removeEntry(out.filePath(left)))
            return QStringLiteral("cannot remove %1, left by an earlier run: remove it, then run "
                                  "this again")
                .arg(native(out.filePath(left)));
    }
    QTemporaryDir made(target + QLatin1String(".new-XXXXXX"));
    if (!made.isValid())
        return QStringLiteral("cannot make a folder in %1: %2")
            .arg(native(outDir), made.errorString());
    made.setAutoRemove(false); // removed here, where a linked cmd/ goes as a link
    // Made for this run alone, it is private; the plugin folder is not.
    QFile::setPermissions(made.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                           QFile::ReadUser | QFile::WriteUser | QFile::ExeUser |
                                           QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                           QFile::ExeOther);
    QString error = writeInto(plan, programDir, made.path(), linkScripts);
    if (error.isEmpty())
        error = replace(made.path(), target);
    removeEntry(made.path()); // what was not moved into place
    return error;
}

bool PluginFolder::removeEntry(const QString &path)
{
    if (isFolderLink(path))
        return removeFolderLink(path);
    const QFileInfo info(path);
    if (info.isDir() && !info.isSymLink()) {
        const QString cmd = QDir(path).filePath(QStringLiteral("cmd"));
        if (isFolderLink(cmd) && !removeFolderLink(cmd))
            return false;
        return QDir(path).removeRecursively();
    }
    return !info.exists() && !info.isSymLink() ? true : QFile::remove(path);
}

QString PluginFolder::lockPath(const QString &outDir, const QString &folderName)
{
    return QDir(outDir).absoluteFilePath(folderName + QLatin1String(".lock"));
}

QString PluginFolder::writeInto(const PluginPlan &plan, const QString &programDir,
                                const QString &folder, bool linkScripts)
{
    QString error;
    const QDir into(folder);
    if (!copyTree(programDir, into.filePath(QStringLiteral("bin")), error))
        return error;
    const QDir scripts(plan.scriptsFolder);
    if (linkScripts) {
        const QString to = QFileInfo(plan.scriptsFolder).canonicalFilePath();
        if (!linkFolder(to, into.filePath(QStringLiteral("cmd"))))
            return QStringLiteral("cannot make %1 a link to %2")
                .arg(native(into.filePath(QStringLiteral("cmd"))), native(to));
    } else if (!QDir().mkpath(into.filePath(QStringLiteral("cmd")))) {
        return QStringLiteral("cannot make the folder %1").arg(native(into.filePath("cmd")));
    }
    for (const QString &name : linkScripts ? QStringList() : plan.copied) {
        if (!copyFile(scripts.filePath(name), into.filePath(QLatin1String("cmd/") + name), error))
            return error;
    }
    for (const char *file : ownFiles) {
        const QString to = into.filePath(QLatin1String(file));
        if (!copyFile(QLatin1String(":/plugin/") + QLatin1String(file), to, error))
            return error;
        // Copied from the program's resources, which are read-only.
        QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser |
                                      QFile::WriteUser | QFile::ReadGroup | QFile::ReadOther);
    }
    for (const PluginAction &action : plan.actions) {
        for (const QString &image : action.imageFiles) {
            if (!copyFile(scripts.filePath(image),
                          into.filePath(QLatin1String("images/actions/") + image), error))
                return error;
        }
    }
    // The host finds a profile by its name, the file's path in the folder.
    for (const QString &profile : plan.profiles) {
        const QString file = profile + QLatin1String(".streamDeckProfile");
        if (!copyFile(scripts.filePath(QLatin1String("profiles/") + file), into.filePath(file),
                      error))
            return error;
    }
    QFile manifest(into.filePath(QStringLiteral("manifest.json")));
    if (!manifest.open(QIODevice::WriteOnly) ||
        manifest.write(QJsonDocument(plan.manifest()).toJson()) < 0 || !manifest.flush())
        return QStringLiteral("cannot write %1: %2")
            .arg(native(manifest.fileName()), manifest.errorString());
    return QString();
}

QString PluginFolder::replace(const QString &made, const QString &target)
{
    const QString old = target + QLatin1String(".old");
    // Left by an earlier run, a file or a folder: in the way, but not the host's doing.
    if (!removeEntry(old))
        return QStringLiteral("cannot remove %1, left by an earlier run: remove it, then run "
                              "this again")
            .arg(native(old));
    const bool hadOne = QFileInfo::exists(target);
    // A folder whose files are in use (the host runs the plugin) cannot be moved on Windows:
    // then nothing of it has changed.
    if (hadOne && !QDir().rename(target, old))
        return QStringLiteral("cannot replace %1: its files are in use. Quit the host (or remove "
                              "the plugin in it), then run this again")
            .arg(native(target));
    if (!QDir().rename(made, target)) {
        if (hadOne)
            QDir().rename(old, target);
        return QStringLiteral("cannot move the new folder to %1").arg(native(target));
    }
    if (hadOne)
        removeEntry(old);
    return QString();
}

bool PluginFolder::copyTree(const QString &from, const QString &to, QString &error)
{
    if (!QDir().mkpath(to)) {
        error = QStringLiteral("cannot make the folder %1").arg(native(to));
        return false;
    }
    // Links stay links where they point inside the tree, as in the frameworks of macOS.
    QDirIterator it(from, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    const QDir source(from);
    while (it.hasNext()) {
        const QString file = it.next();
        const QFileInfo info = it.fileInfo();
        const QString copy = QDir(to).filePath(source.relativeFilePath(file));
        const QString target = info.isSymLink() ? info.symLinkTarget() : QString();
        if (!target.isEmpty() && !source.relativeFilePath(target).startsWith(QLatin1String(".."))) {
            const QString link = info.dir().relativeFilePath(target);
            if (!QDir().mkpath(QFileInfo(copy).absolutePath()) || !QFile::link(link, copy)) {
                error = QStringLiteral("cannot make the link %1").arg(native(copy));
                return false;
            }
        } else if (info.isDir()) {
            if (!QDir().mkpath(copy)) {
                error = QStringLiteral("cannot make the folder %1").arg(native(copy));
                return false;
            }
        } else if (!copyFile(file, copy, error)) {
            return false;
        }
    }
    return true;
}

bool PluginFolder::copyFile(const QString &from, const QString &to, QString &error)
{
    // QFile::copy keeps the permissions, so a script stays executable.
    if (QDir().mkpath(QFileInfo(to).absolutePath()) && QFile::copy(from, to))
        return true;
    error = QStringLiteral("cannot copy %1 to %2").arg(native(from), native(to));
    return false;
}
