#include "authorfolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace AuthorFolder {

bool write(const QString &folder, const QStringList &entries)
{
    for (const QString &entry : entries) {
        const QChar kind = entry.at(0);
        const QString name = entry.mid(2).section('|', 0, 0);
        const QString path = folder + '/' + name;
        if (!QDir().mkpath(QFileInfo(path).absolutePath()))
            return false;
        if (kind == 'l') {
            if (!QFile::link(entry.section('|', 1), path))
                return false;
            continue;
        }
        if (kind == 'p') {
#ifdef Q_OS_UNIX
            if (mkfifo(QFile::encodeName(path).constData(), 0600) != 0)
                return false;
#endif
            continue;
        }
        QByteArray content = entry.section('|', 1).toUtf8();
        if (!entry.contains('|'))
            content = "#!/bin/sh\necho 'setTitle " + name.toUtf8() + "'\n";
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            return false;
        file.close();
        QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner;
        if (kind == 'x')
            permissions |= QFile::ExeOwner;
        if (!QFile::setPermissions(path, permissions))
            return false;
    }
    return true;
}

QStringList listing(const QString &folder, const QStringList &skipped)
{
    QStringList entries;
    const QDir root(folder);
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = root.relativeFilePath(it.next());
        const bool inSkipped = std::any_of(skipped.cbegin(), skipped.cend(), [&](const QString &s) {
            return path == s || path.startsWith(s + '/');
        });
        if (inSkipped || (it.fileInfo().isDir() && !it.fileInfo().isSymLink()))
            continue;
        entries << (it.fileInfo().isSymLink() ? path + " -> " + it.fileInfo().symLinkTarget()
                                              : path);
    }
    entries.sort();
    return entries;
}

int make(const QString &host, const QStringList &arguments, const QString &workDir, QByteArray *err,
         QByteArray *out)
{
    QProcess process;
    process.setWorkingDirectory(workDir);
    process.start(host, QStringList{"plugin"} + arguments);
    if (!process.waitForFinished(60000))
        return -1;
    if (err)
        *err = process.readAllStandardError();
    if (out)
        *out = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

} // namespace AuthorFolder
