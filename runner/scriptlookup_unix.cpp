#include "scriptlookup.h"

#include <QFileInfo>

const QStringList &scriptSuffixes()
{
    static const QStringList suffixes{QString()};
    return suffixes;
}

QString newScriptSuffix()
{
    return QString();
}

bool isOtherSystemsScript(const QString &fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    return suffix == QLatin1String("exe") || suffix == QLatin1String("bat") ||
           suffix == QLatin1String("cmd") || suffix == QLatin1String("ps1");
}

QString whyScriptCannotRun(const QString &path)
{
    const QFileInfo file(path);
    if (file.isDir())
        return QStringLiteral("a folder, not a script");
    if (!file.isFile())
        return QStringLiteral("not a regular file");
    if (!file.isExecutable())
        return QStringLiteral("not executable: chmod +x it");
    if (interpreterLineEndsInCarriageReturn(path))
        return QStringLiteral("its #! line ends in a carriage return: save it with Unix line ends");
    return QString();
}
