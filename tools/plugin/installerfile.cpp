#include "installerfile.h"

#include "ziparchive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace {

// A Mach-O program, thin or universal, in either byte order.
bool isMacProgram(const QByteArray &bytes)
{
    static const char *const magics[] = {"\xfe\xed\xfa\xce", "\xfe\xed\xfa\xcf",
                                         "\xce\xfa\xed\xfe", "\xcf\xfa\xed\xfe",
                                         "\xca\xfe\xba\xbe", "\xbe\xba\xfe\xca"};
    for (const char *magic : magics) {
        if (bytes.startsWith(QByteArray(magic, 4)))
            return true;
    }
    return false;
}

// The part of a name under <folder>.sdPlugin/bin/, empty for anything else.
QString underBin(const QString &name)
{
    const QStringList parts = name.split(QLatin1Char('/'));
    if (parts.size() < 3 || !parts.at(0).endsWith(QLatin1String(".sdPlugin")) ||
        parts.at(1) != QLatin1String("bin"))
        return QString();
    return parts.mid(2).join(QLatin1Char('/'));
}

// A path that stays inside the folder it is taken in: no "..", no root, no drive.
bool staysInside(const QString &path)
{
    const QString clean = QDir::cleanPath(path);
    return !clean.isEmpty() && !QDir::isAbsolutePath(clean) && !clean.contains(QLatin1Char(':')) &&
           !clean.contains(QLatin1Char('\\')) && clean != QLatin1String("..") &&
           !clean.startsWith(QLatin1String("../"));
}

} // namespace

QString InstallerFile::unpackPrograms(const QString &file, const QString &into,
                                      PluginSystem *system)
{
    const QString shown = QDir::toNativeSeparators(file);
    ZipArchive zip;
    if (const QString error = zip.open(file); !error.isEmpty())
        return QStringLiteral("--from %1: %2").arg(shown, error);
    const QDir out(into);
    QList<std::pair<QString, QString>> links; // where, to what
    QByteArray program;
    bool windows = false;
    // Nothing is written through a link of the file's: the links are made last, and an entry
    // inside one is refused.
    QSet<QString> linkNames;
    for (const ZipArchive::Entry &entry : zip.entries()) {
        if (entry.isLink())
            linkNames.insert(QDir::cleanPath(underBin(entry.name)));
    }
    for (const ZipArchive::Entry &entry : zip.entries()) {
        if (interrupted())
            return QStringLiteral("interrupted");
        const QString name = underBin(entry.name);
        if (name.isEmpty() || entry.isDir())
            continue;
        if (!staysInside(name))
            return QStringLiteral("--from %1: %2 would be written outside its folder")
                .arg(shown, entry.name);
        for (QString parent = QFileInfo(QDir::cleanPath(name)).path(); parent != QLatin1String(".");
             parent = QFileInfo(parent).path()) {
            if (linkNames.contains(parent))
                return QStringLiteral("--from %1: %2 would be written through the link %3")
                    .arg(shown, entry.name, parent);
        }
        QString error;
        const QByteArray bytes = zip.read(entry, &error);
        if (!error.isEmpty())
            return QStringLiteral("--from %1: %2").arg(shown, error);
        if (entry.isLink()) {
            const QString target = QString::fromUtf8(bytes);
            // "/etc/passwd" behind a folder's name would read as a path inside it.
            if (target.isEmpty() || target.startsWith(QLatin1Char('/')) ||
                QDir::isAbsolutePath(target) ||
                !staysInside(QFileInfo(name).path() + QLatin1Char('/') + target))
                return QStringLiteral("--from %1: the link %2 leads outside its folder")
                    .arg(shown, entry.name);
            links.append({name, target});
            continue;
        }
        const QString path = out.filePath(name);
        QFile written(path);
        if (!QDir().mkpath(QFileInfo(path).path()) || !written.open(QIODevice::WriteOnly) ||
            written.write(bytes) != bytes.size() || !written.flush())
            return QStringLiteral("cannot write %1").arg(QDir::toNativeSeparators(path));
        if (entry.unixMode & 0111)
            written.setPermissions(written.permissions() | QFile::ExeOwner | QFile::ExeUser |
                                   QFile::ExeGroup | QFile::ExeOther);
        if (name == QLatin1String("keyscript.exe"))
            windows = true;
        else if (name == QLatin1String("keyscript"))
            program = bytes.left(4);
    }
    // A link may lead through another (a framework's Versions/Current): those that cannot be
    // placed yet wait for the others.
    while (!links.isEmpty()) {
        const qsizetype before = links.size();
        links.removeIf([&out](const std::pair<QString, QString> &link) {
            return placeLink(link.second, out.filePath(link.first));
        });
        if (links.size() == before)
            return QStringLiteral("cannot make the link %1")
                .arg(QDir::toNativeSeparators(out.filePath(links.first().first)));
    }
    if (windows) {
        *system = PluginSystem::Windows;
    } else if (isMacProgram(program)) {
        *system = PluginSystem::Mac;
    } else {
        return program.startsWith("\x7f"
                                  "ELF")
                   ? QStringLiteral("--from %1 holds keyscript for Linux, where the host does not "
                                    "run: take the installer file for Windows or macOS")
                         .arg(shown)
                   : QStringLiteral("--from %1 is no installer file of keyscript's: it holds no "
                                    "bin/keyscript.exe or bin/keyscript")
                         .arg(shown);
    }
    return QString();
}
