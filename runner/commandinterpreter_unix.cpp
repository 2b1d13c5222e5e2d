#include "commandinterpreter.h"

#include <QProcess>

bool isBatchScript(const QString &)
{
    return false;
}

QString runThroughCommandInterpreter(QProcess &)
{
    return QStringLiteral("batch files run on Windows only");
}

bool isPowerShellScript(const QString &)
{
    return false;
}

QString runThroughPowerShell(QProcess &, bool)
{
    return QStringLiteral("PowerShell scripts run on Windows only");
}

QString interpreterOf(const QString &, bool)
{
    return QString();
}
