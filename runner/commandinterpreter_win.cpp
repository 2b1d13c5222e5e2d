#include "commandinterpreter.h"

#include "batchcommandline.h"

#include <QDir>
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
