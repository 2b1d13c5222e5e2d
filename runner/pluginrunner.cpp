// What a key press does: run the action's script and let its output drive the key.
#include "app/plugin.h"
#include "batchcommandline.h"
#include "scriptlookup.h"
#include "scriptoutput.h"
#include "scriptsettings.h"

#include <QCoreApplication>
#include <QDebug>
#include <QProcess>

#include <memory>

#ifdef Q_OS_WIN
#include <QDir>
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

// A batch script runs through cmd.exe, which reads its command line again by its own rules;
// the line is built so that no setting can become a command or a variable there. False when
// no such line exists.
bool runThroughCommandInterpreter(QProcess &process)
{
    const std::optional<QString> line =
        batchCommandLine(QDir::toNativeSeparators(process.program()), process.arguments());
    const QString interpreter = systemCommandInterpreter();
    if (!line || interpreter.isEmpty())
        return false;
    process.setProgram(interpreter);
    process.setArguments({});
    process.setNativeArguments(*line);
    return true;
}

} // namespace
#endif

void Plugin::onKeyDown(const QStreamDeckAction &a)
{
    const QString applicationDir = QCoreApplication::applicationDirPath();
    const QString program = findScript(applicationDir, a.action);
    if (program.isEmpty()) {
        qDebug() << "Could not found" << scriptBasePath(applicationDir, a.action);
        return;
    }

    // Everything that belongs to this press lives in the process object and its connections,
    // and goes with it once the script has ended.
    auto *process = new QProcess(this);
    const ScriptSettings settings =
        ScriptSettings::fromPayload(a.payload, QProcessEnvironment::systemEnvironment());
    process->setProgram(program);
    process->setArguments(settings.arguments);
    process->setProcessEnvironment(settings.environment);
    // Nobody reads standard error; left connected, a chatty script would grow the plugin.
    process->setStandardErrorFile(QProcess::nullDevice());

    const auto output = std::make_shared<ScriptOutput>(&streamDeck, a.context, a.device);
    connect(process, &QProcess::finished, process, &QObject::deleteLater);
    connect(process, &QProcess::errorOccurred, process, &QObject::deleteLater);
    connect(process, &QProcess::stateChanged, process,
            [](QProcess::ProcessState state) { qDebug() << "state" << state; });
    connect(process, &QIODevice::readyRead, process, [process, output] { output->read(*process); });
    connect(process, &QProcess::finished, process, [process, output] { output->finish(*process); });

#ifdef Q_OS_WIN
    if (program.endsWith(QLatin1String(".bat"), Qt::CaseInsensitive) &&
        !runThroughCommandInterpreter(*process)) {
        qDebug() << "Could not run" << program
                 << "safely: a setting holds a line feed, carriage return or NUL";
        delete process;
        return;
    }
#endif
    // The script and its arguments, also where cmd.exe runs a batch script for us.
    qDebug() << "run" << program << settings.arguments;
    process->start(QIODevice::ReadWrite);
}
