// The command line of a PowerShell script, the same on every system so it is tested anywhere.
#include "commandinterpreter.h"

QStringList powerShellArguments(const QString &script, const QStringList &arguments)
{
    // No profile of the user's, no question asked, no policy that stops an unsigned script.
    return QStringList{QStringLiteral("-NoProfile"),
                       QStringLiteral("-NonInteractive"),
                       QStringLiteral("-ExecutionPolicy"),
                       QStringLiteral("Bypass"),
                       QStringLiteral("-File"),
                       script} +
           arguments;
}
