#include "scriptlookup.h"

#include <QFileInfo>

const QStringList &scriptSuffixes()
{
    static const QStringList suffixes{QStringLiteral(".exe"), QStringLiteral(".bat"),
                                      QStringLiteral(".cmd"), QStringLiteral(".ps1"), QString()};
    return suffixes;
}

QString newScriptSuffix()
{
    return QStringLiteral(".bat");
}

bool isOtherSystemsScript(const QString &)
{
    return false;
}

QString whyScriptCannotRun(const QString &path)
{
    const QFileInfo file(path);
    if (file.isDir())
        return QStringLiteral("a folder, not a script");
    if (!file.isFile())
        return QStringLiteral("not a regular file");
    const QString suffix = file.suffix().toLower();
    if (suffix != QLatin1String("exe") && suffix != QLatin1String("bat") &&
        suffix != QLatin1String("cmd") && suffix != QLatin1String("ps1"))
        return QStringLiteral("not .exe, .bat, .cmd or .ps1, so Windows cannot run it");
    return QString();
}
