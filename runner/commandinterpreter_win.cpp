#include "commandinterpreter.h"

#include "batchcommandline.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <qt_windows.h>

namespace {

// cmd.exe from the system directory: a cmd.exe found through PATH or the working directory
// could be anybody's.
QString systemCommandInterpreter()
{
    wchar_t directory[MAX_PATH];
    const UINT length = GetSystemDirectoryW(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return QString();
    return QString::fromWCharArray(directory, int(length)) + QStringLiteral("\\cmd.exe");
}

// Windows PowerShell from the system directory, never one found on PATH; PowerShell 7 where its
// installer puts it.
QString powerShellPath(bool sevenOrLater)
{
    if (sevenOrLater) {
        const QString programs = qEnvironmentVariable("ProgramFiles");
        return programs.isEmpty() ? QString()
                                  : QDir::toNativeSeparators(programs) +
                                        QStringLiteral("\\PowerShell\\7\\pwsh.exe");
    }
    const QString cmd = systemCommandInterpreter();
    return cmd.isEmpty() ? QString()
                         : cmd.chopped(int(sizeof("cmd.exe") - 1)) +
                               QStringLiteral("WindowsPowerShell\\v1.0\\powershell.exe");
}

} // namespace

bool isBatchScript(const QString &program)
{
    return program.endsWith(QLatin1String(".bat"), Qt::CaseInsensitive) ||
           program.endsWith(QLatin1String(".cmd"), Qt::CaseInsensitive);
}

QString runThroughCommandInterpreter(QProcess &process)
{
    const QString script = QDir::toNativeSeparators(process.program());
    if (!batchCommandLine(script, {}))
        return QStringLiteral("its path holds a line feed, carriage return or NUL");
    const std::optional<QString> line = batchCommandLine(script, process.arguments());
    if (!line)
        return QStringLiteral("a setting holds a line feed, carriage return or NUL");
    const QString interpreter = systemCommandInterpreter();
    if (interpreter.isEmpty())
        return QStringLiteral("the system directory is unknown");
    process.setProgram(interpreter);
    process.setArguments({});
    process.setNativeArguments(*line);
    return QString();
}

bool isPowerShellScript(const QString &program)
{
    return program.endsWith(QLatin1String(".ps1"), Qt::CaseInsensitive);
}

QString runThroughPowerShell(QProcess &process, bool sevenOrLater)
{
    const QString interpreter = powerShellPath(sevenOrLater);
    if (interpreter.isEmpty() || !QFileInfo(interpreter).isFile())
        return sevenOrLater
                   ? QStringLiteral("PowerShell 7 is not installed: no %1 (its header "
                                    "asks for it: \"keyscript shell: pwsh\")")
                         .arg(interpreter)
                   : QStringLiteral("Windows PowerShell is not there: no %1").arg(interpreter);
    // QProcess quotes each argument as Windows programs split a command line.
    process.setArguments(
        powerShellArguments(QDir::toNativeSeparators(process.program()), process.arguments()));
    process.setProgram(interpreter);
    return QString();
}

QString interpreterOf(const QString &path, bool sevenOrLater)
{
    if (isBatchScript(path))
        return systemCommandInterpreter();
    if (isPowerShellScript(path))
        return powerShellPath(sevenOrLater);
    return QString();
}
