#include "typedinterpreter.h"

#include "commandinterpreter.h"
#include "typedscript.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QStandardPaths>

TypedInterpreter TypedInterpreter::find(const QString &interpreter,
                                        const QProcessEnvironment &environment)
{
    TypedInterpreter found;
    if (!TypedActions::interpreters().contains(interpreter)) {
        found.problem =
            QStringLiteral("\"%1\" is no interpreter keyscript knows: choose one of %2")
                .arg(interpreter, TypedActions::interpreters().join(QLatin1String(", ")));
        return found;
    }
    // Windows' own: cmd.exe and Windows PowerShell from the system folder, PowerShell 7 where
    // it installs. Elsewhere there is no cmd, and PowerShell is pwsh.
    const bool cmd = interpreter == QLatin1String("cmd");
    if (cmd || interpreter == QLatin1String("powershell") ||
        (interpreter == QLatin1String("pwsh") && isPowerShellScript(QStringLiteral("x.ps1")))) {
        found.program = interpreterOf(cmd ? QStringLiteral("x.cmd") : QStringLiteral("x.ps1"),
                                      interpreter == QLatin1String("pwsh"));
        if (found.program.isEmpty())
            found.problem =
                cmd ? QStringLiteral("cmd runs on Windows only")
                    : QStringLiteral("Windows PowerShell runs on Windows only: "
                                     "choose pwsh (PowerShell 7) where it is installed");
        else if (!QFileInfo(found.program).isFile())
            found.problem = QStringLiteral("%1 is not installed: there is no %2")
                                .arg(interpreter, QDir::toNativeSeparators(found.program));
        if (!found.problem.isEmpty())
            found.program.clear();
        return found;
    }
    const QStringList path =
        environment.value(QStringLiteral("PATH")).split(QDir::listSeparator(), Qt::SkipEmptyParts);
    found.program = QStandardPaths::findExecutable(interpreter, path);
    if (found.program.isEmpty())
        found.problem =
            QStringLiteral("%1 is not installed: it is not on the PATH").arg(interpreter);
    return found;
}

namespace {
QHash<QString, QString> &found() // the program of each interpreter that was found
{
    static QHash<QString, QString> programs;
    return programs;
}
} // namespace

void TypedInterpreter::forget(const QString &interpreter)
{
    found().remove(interpreter);
}

QString TypedInterpreter::prepare(QProcess &process, const TypedScript &typed, const QString &file,
                                  const QProcessEnvironment &environment)
{
    TypedInterpreter interpreter{found().value(typed.interpreter), QString()};
    if (interpreter.program.isEmpty()) {
        interpreter = find(typed.interpreter, environment);
        if (!interpreter.problem.isEmpty())
            return interpreter.problem;
        found().insert(typed.interpreter, interpreter.program);
    }
    // Windows' own interpreters each have their rules for a safe command line.
    if (isBatchScript(file)) {
        process.setProgram(file);
        return runThroughCommandInterpreter(process);
    }
    if (isPowerShellScript(file)) {
        process.setProgram(file);
        return runThroughPowerShell(process, typed.interpreter == QLatin1String("pwsh"));
    }
    const QString script = QDir::toNativeSeparators(file);
    process.setArguments(typed.interpreter == QLatin1String("pwsh")
                             ? powerShellArguments(script, process.arguments())
                             : QStringList{script} + process.arguments());
    process.setProgram(interpreter.program);
    return QString();
}
