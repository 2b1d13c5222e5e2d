// ScriptRunner: starting one script, and the log lines of its life.
#include "scriptrunner.h"

#include "commandinterpreter.h"
#include "connection/qstreamdeckplugin.h"
#include "hostvariables.h"
#include "scriptlookup.h"
#include "scriptoutput.h"
#include "scriptprocess.h"
#include "scriptsettings.h"
#include "typedinterpreter.h"
#include "typedscript.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>

namespace {

void logEnd(ScriptProcess *script, int exitCode, QProcess::ExitStatus status)
{
    if (status == QProcess::NormalExit)
        qDebug() << "exit" << exitCode;
    else if (script->isEnding())
        qDebug() << "ended"; // the plugin ended it
    else
        qDebug() << "crashed";
    const QByteArray errors = script->errorTail();
    if (!errors.isEmpty())
        qDebug() << "stderr" << QString::fromUtf8(errors);
}

void logStartError(ScriptProcess *script)
{
    qDebug() << "error" << script->errorString();
    if (script->error() == QProcess::FailedToStart &&
        interpreterLineEndsInCarriageReturn(script->program()))
        qDebug() << "Could not run" << script->program()
                 << "its first line ends in a carriage return: save it with Unix line ends";
}

} // namespace

bool ScriptRunner::wantsPowerShell7(const QString &script)
{
    return headers.of(script).shell.value == QLatin1String("pwsh");
}

bool ScriptRunner::listedWithoutScript(const KeyEvent &event)
{
    if (TypedActions::isTyped(event.action))
        return !TypedActions::runsOn(event.action, event.event);
    return scripts.hasScripts(event.action) && scripts.find(event.scriptName()).isEmpty();
}

ScriptSettings::Declared ScriptRunner::declaredFor(const QString &action)
{
    // As the key's page shows them: the first declaration of a name counts, the press script's
    // first, then its events' in their order.
    ScriptSettings::Declared declared;
    if (TypedActions::isTyped(action) || !isScriptName(action) || !scripts.hasScripts(action))
        return declared;
    QSet<QString> seen;
    QStringList names{action};
    for (const QString &event : scriptEvents())
        names << action + QLatin1Char('@') + event;
    for (const QString &name : std::as_const(names)) {
        const QString path = scripts.find(name);
        if (path.isEmpty())
            continue;
        const ScriptHeader &header = headers.of(path);
        for (const DeclaredSetting &setting : header.settings) {
            if (seen.contains(setting.name))
                continue;
            seen.insert(setting.name);
            if (setting.kind == QLatin1String("secret"))
                declared.secrets << setting.name;
            if (!setting.defaultValue.isEmpty())
                declared.defaults.insert(setting.name, setting.defaultValue);
        }
        for (const DeclaredSetting &setting : header.sharedSettings) {
            if (setting.kind == QLatin1String("secret") &&
                !declared.sharedSecrets.contains(setting.name))
                declared.sharedSecrets << setting.name;
        }
    }
    return declared;
}

QJsonObject ScriptRunner::newestSettings(const KeyEvent &event) const
{
    // A run before this one may have stored settings that the event was sent without.
    const QJsonObject carried = event.payload.value(QLatin1String("settings")).toObject();
    return streamDeck ? streamDeck->newestSettings(event.context, carried) : carried;
}

ScriptProcess *ScriptRunner::run(const KeyEvent &event)
{
    if (TypedActions::isTyped(event.action))
        return runTyped(event);
    // An action that cannot name a key-press script names no event script either.
    QString program;
    if (isScriptName(event.action)) {
        const bool known = scripts.hasScripts(event.action);
        if (known)
            program = scripts.find(event.scriptName());
        // The listing may be older than the event: a press, and an event of an action the
        // listing does not know, look on disk before they give up (one stat), and so does a
        // script the listing has that has gone. The many events of an action that has scripts,
        // but none for them, stay with the listing.
        // A live key's press was heard by its appear script: its answer does not wait for a look.
        const bool heard = appearScripts.value(event.context);
        if ((program.isEmpty() && (!known || (event.isKeyPress() && !heard))) ||
            (!program.isEmpty() && !QFileInfo(program).isFile()))
            program = scripts.findOnDisk(event.scriptName());
    }
    if (program.isEmpty()) {
        // Only a press says so: a profile of thirty keys would fill the log with missing scripts.
        // A key whose appear script runs, or waits to start, has heard its press already.
        if (event.isKeyPress() && !appearScripts.value(event.context) &&
            !held.contains(event.context))
            qDebug() << "Could not found" << scripts.basePath(event.action);
        return nullptr;
    }
    return start(event, program);
}

ScriptProcess *ScriptRunner::start(const KeyEvent &event, const QString &program,
                                   const TypedScript *typed)
{
    // Everything that belongs to this event lives in the process object and its connections,
    // and goes with it once the script has ended and its output has been read.
    auto *script = new ScriptProcess(this);
    KeyEvent told = event;
    // The key's newest settings; a typed script's own text is no setting of the script's.
    told.payload.insert(QStringLiteral("settings"),
                        typed ? typed->settings : newestSettings(event));
    const ScriptSettings::Declared declared =
        typed ? ScriptSettings::Declared() : declaredFor(event.action);
    ScriptSettings settings = ScriptSettings::forEvent(
        told, baseEnvironment, streamDeck ? streamDeck->sharedSettings() : QJsonObject(), declared);
    if (streamDeck)
        insertHostVariables(settings.environment, event, streamDeck->host());
    if (!settings.leftOut.isEmpty())
        qDebug() << "Settings left out, too large to pass to a script:" << settings.leftOut;
    if (settings.settingsLeftOut > 0)
        qDebug() << "KEYSCRIPT_SETTINGS left out:" << settings.settingsLeftOut
                 << "characters are more than one variable may hold";
    script->setProgram(program);
    script->setArguments(settings.arguments);
    script->setProcessEnvironment(settings.environment);
    if (typed) {
        QString reason = QFileInfo(typed->folder).isDir()
                             ? TypedInterpreter::prepare(*script, *typed, program, baseEnvironment)
                             : QStringLiteral("the folder %1 does not exist")
                                   .arg(QDir::toNativeSeparators(typed->folder));
        if (!reason.isEmpty()) {
            qDebug() << "Could not run the script typed on" << event.context
                     << qUtf8Printable(reason);
            recordRun(event, program,
                      ScriptRun::notStarted(QStringLiteral("could not start: ") + reason));
            delete script;
            return nullptr;
        }
        script->setWorkingDirectory(typed->folder);
    } else if (isBatchScript(program)) {
        const QString reason = runThroughCommandInterpreter(*script);
        if (!reason.isEmpty()) {
            qDebug() << "Could not run" << program << "safely:" << qUtf8Printable(reason);
            recordRun(event, program,
                      ScriptRun::notStarted(QStringLiteral("could not run "
                                                           "safely: ") +
                                            reason));
            delete script;
            return nullptr;
        }
    } else if (isPowerShellScript(program)) {
        const QString reason = runThroughPowerShell(*script, wantsPowerShell7(program));
        if (!reason.isEmpty()) {
            qDebug() << "Could not run" << program << qUtf8Printable(reason);
            recordRun(event, program,
                      ScriptRun::notStarted(QStringLiteral("could not start: ") + reason));
            delete script;
            return nullptr;
        }
    }

    const auto output =
        std::make_shared<ScriptOutput>(streamDeck, event, QFileInfo(program).absolutePath());
    output->script = program;
    if (event.context.isEmpty() && isPluginEvent(event.event))
        output->keysOfAction = [this, action = event.action] { return visibleKeysOf(action); };
    output->leftOut = settings.leftOut;
    output->secrets.names = declared.secrets + declared.sharedSecrets;
    const QJsonObject keySettings = ScriptSettings::withDefaults(
        told.payload.value(QLatin1String("settings")).toObject(), declared);
    for (const QString &name : std::as_const(declared.secrets))
        output->secrets.values << ScriptSettings::text(keySettings.value(name));
    for (const QString &name : std::as_const(declared.sharedSecrets))
        output->secrets.values << ScriptSettings::text(
            streamDeck ? streamDeck->sharedSettings().value(name) : QJsonValue());
    connect(script, &QProcess::stateChanged, this,
            [](QProcess::ProcessState state) { qDebug() << "state" << state; });
    connect(script, &QProcess::errorOccurred, this, [script](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            logStartError(script);
        else if (error == QProcess::WriteError) // Qt's own words say nothing to an author
            qDebug() << "error"
                     << QStringLiteral("an event was lost: the script no longer reads its input");
        else if (error != QProcess::Crashed) // a crash has its own line when the script ends
            qDebug() << "error" << script->errorString();
    });
    connect(script, &QProcess::finished, this, [script](int exitCode, QProcess::ExitStatus status) {
        logEnd(script, exitCode, status);
    });
    connect(script, &ScriptProcess::output, this,
            [this, script](const QByteArray &chunk) { onOutput(script, chunk); });
    connect(script, &ScriptProcess::done, this, [this, script] { onDone(script); });

    // The script and its arguments, also where cmd.exe runs a batch script for us.
    qDebug() << "run" << program << settings.arguments;
    if (script->program() != program)
        qDebug() << "by" << QDir::toNativeSeparators(script->program());
    script->setOutputPaused(hostBusy);
    outputs.insert(script, output);
    if (!script->startSupervised()) {
        qDebug() << "error" << script->errorString();
        recordRun(
            event, program,
            ScriptRun::notStarted(QStringLiteral("could not start: ") + script->errorString()));
        outputs.remove(script);
        delete script;
        return nullptr;
    }
    return script;
}
