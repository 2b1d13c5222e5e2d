#include "scriptlookup.h"

#include <QDir>
#include <QFileInfo>

namespace {
bool isFileName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) &&
           !name.contains(QChar(0));
}
} // namespace

QString scriptBasePath(const QString &applicationDir, const QString &action)
{
    return QDir(applicationDir).absoluteFilePath(QStringLiteral("../cmd/") + action);
}

bool isScriptName(const QString &action)
{
    return isFileName(action) && !action.contains(QLatin1Char('@'));
}

QString findScript(const QString &applicationDir, const QString &name)
{
    if (!isFileName(name))
        return QString();
    const QString base = scriptBasePath(applicationDir, name);
    for (const QString &suffix : scriptSuffixes()) {
        // A folder or a device file of that name is no script, and hides none. A file that
        // cannot run still counts: its start fails later, visibly in the log.
        if (QFileInfo(base + suffix).isFile())
            return base + suffix;
    }
    return QString();
}
