#include "bundle.h"

#include <QDir>
#include <QFile>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

Bundle::Bundle()
{
    if (!root.isValid())
        return;
    const QDir dir(root.path());
    valid = dir.mkpath(QStringLiteral("bin")) && dir.mkpath(QStringLiteral("cmd")) &&
            dir.mkpath(QStringLiteral("work")) &&
            QFile::copy(QStringLiteral(KEYSCRIPT_EXECUTABLE), executable());
}

namespace {
#ifdef Q_OS_WIN
const QString exeSuffix = QStringLiteral(".exe");
const QString batchSuffix = QStringLiteral(".bat");
#else
const QString exeSuffix;
const QString batchSuffix;
#endif
} // namespace

QString Bundle::executable() const
{
    return root.filePath(QStringLiteral("bin/keyscript") + exeSuffix);
}

QString Bundle::addHost() const
{
    const QString path = root.filePath(QStringLiteral("bin/keyscript-host") + exeSuffix);
    return QFile::exists(path) || QFile::copy(QStringLiteral(KEYSCRIPT_HOST_EXECUTABLE), path)
               ? path
               : QString();
}

bool Bundle::writeScript(const QString &name, const QByteArray &sh, const QByteArray &bat) const
{
#ifdef Q_OS_WIN
    Q_UNUSED(sh);
    if (bat.isEmpty())
        return false;
    QByteArray text = "@echo off\n" + bat;
    text.replace("\n", "\r\n");
    return writeFile(QDir(cmdDir()).filePath(name + scriptSuffix()), text);
#else
    Q_UNUSED(bat);
    const QString path = QDir(cmdDir()).filePath(name);
    return !sh.isEmpty() && writeFile(path, "#!/bin/sh\n" + sh) &&
           QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
#endif
}

bool Bundle::writeFile(const QString &path, const QByteArray &content) const
{
    QFile file(QDir(root.path()).filePath(path));
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray Bundle::readFile(const QString &path) const
{
    QFile file(QDir(root.path()).filePath(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Bundle::start(QProcess &process, quint16 port, const QString &uuid, const QString &event,
                   const QString &info) const
{
    startWith(process,
              {QStringLiteral("-port"), QString::number(port), QStringLiteral("-pluginUUID"), uuid,
               QStringLiteral("-registerEvent"), event, QStringLiteral("-info"), info});
}

void Bundle::startWith(QProcess &process, const QStringList &arguments) const
{
    process.setWorkingDirectory(workDir());
    process.start(executable(), arguments);
}

QStringList Bundle::logLines() const
{
    QString text = QString::fromUtf8(readFile(QStringLiteral("work/log.txt")));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

QString Bundle::scriptSuffix()
{
    return batchSuffix;
}

bool runningUnderWine()
{
#ifdef Q_OS_WIN
    // Wine's ntdll exports its version; Windows' does not.
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
#else
    return false;
#endif
}
