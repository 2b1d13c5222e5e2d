// The environment of scripts on macOS: the plugin's own, with the usual tool folders on PATH.
#include "scriptenvironment.h"

#include "toolfolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
QString readText(const QString &file)
{
    QFile in(file);
    return in.open(QIODevice::ReadOnly) ? QString::fromUtf8(in.read(64 * 1024)) : QString();
}
} // namespace

QProcessEnvironment scriptEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QStringList pathsD;
    const QDir folder(QStringLiteral("/etc/paths.d"));
    for (const QString &name : folder.entryList(QDir::Files, QDir::Name))
        pathsD << readText(folder.filePath(name));
    const QString path =
        withToolFolders(environment.value(QStringLiteral("PATH")),
                        usualToolFolders(readText(QStringLiteral("/etc/paths")), pathsD),
                        [](const QString &folder) { return QFileInfo(folder).isDir(); });
    environment.insert(QStringLiteral("PATH"), path);
    return environment;
}
