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
