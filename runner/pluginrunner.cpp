// What a key press does: run the action's script and let its output drive the key.
#include "app/plugin.h"
#include "scriptlookup.h"
#include "scriptoutput.h"
#include "scriptsettings.h"

#include <QCoreApplication>
#include <QDebug>
#include <QProcess>

#include <memory>

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

    qDebug() << "run" << process->program() << process->arguments();
    process->start(QIODevice::ReadWrite);
}
