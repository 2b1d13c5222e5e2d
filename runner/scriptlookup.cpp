#include "scriptlookup.h"

#include <QDir>
#include <QFile>
#include <QStringList>

QString scriptBasePath(const QString &applicationDir, const QString &action)
{
    return QDir(applicationDir).absoluteFilePath(QStringLiteral("../cmd/") + action);
}

bool isScriptName(const QString &action)
{
    return !action.isEmpty() && action != QLatin1String(".") && action != QLatin1String("..") &&
           !action.contains(QLatin1Char('/')) && !action.contains(QLatin1Char('\\')) &&
           !action.contains(QChar(0));
}

QString findScript(const QString &applicationDir, const QString &action)
{
    if (!isScriptName(action))
        return QString();

    static const QStringList suffixes{QStringLiteral(".exe"), QStringLiteral(".bat"), QString()};
    const QString base = scriptBasePath(applicationDir, action);
    for (const QString &suffix : suffixes) {
        // Any entry counts, even one that cannot run: its start fails later, visibly in the log.
        if (QFile::exists(base + suffix))
            return base + suffix;
    }
    return QString();
}
