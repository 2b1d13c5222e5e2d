#include "scriptlookup.h"

#include <QFileInfo>

const QStringList &scriptSuffixes()
{
    static const QStringList suffixes{QStringLiteral(".exe"), QStringLiteral(".bat"), QString()};
    return suffixes;
}

QString whyScriptCannotRun(const QString &path)
{
    const QFileInfo file(path);
    if (file.isDir())
        return QStringLiteral("a folder, not a script");
    const QString suffix = file.suffix().toLower();
    if (suffix != QLatin1String("exe") && suffix != QLatin1String("bat"))
        return QStringLiteral("neither .exe nor .bat, so Windows cannot run it");
    return QString();
}
