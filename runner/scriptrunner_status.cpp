// ScriptRunner: what a key's settings page is told of the key's scripts and their runs.
#include "scriptrunner.h"

#include "commandinterpreter.h"
#include "connection/qstreamdeckplugin.h"
#include "models/qstreamdeckaction.h"
#include "scriptlookup.h"
#include "scriptoutput.h"
#include "scriptprocess.h"
#include "typedscript.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

#include <utility>

void ScriptRunner::onPropertyInspectorDidAppear(const QStreamDeckAction &a)
{
    status.pageOpened(a.context);
    askStatus(a.action, a.context);
}

void ScriptRunner::askStatus(const QString &action, const QString &context)
{
    // Gathered: a page that asks without end costs one answer per key and turn of the event
    // loop, and none while the host is not taking what was sent.
    if (!statusAsked.contains(context) && statusAsked.size() >= KeyStatus::pagesKept)
        return;
    statusAsked.insert(context, action);
    if (!statusQueued) {
        statusQueued = true;
        QMetaObject::invokeMethod(this, &ScriptRunner::sendAskedStatus, Qt::QueuedConnection);
    }
}

void ScriptRunner::sendAskedStatus()
{
    statusQueued = false;
    if (ScriptOutput::hostIsBusy(streamDeck))
        return; // sent once the host has taken what waits
    const QHash<QString, QString> asked = std::exchange(statusAsked, {});
    for (auto it = asked.cbegin(); it != asked.cend(); ++it)
        sendStatus(it.value(), it.key());
}

void ScriptRunner::onPropertyInspectorDidDisappear(const QStreamDeckAction &a)
{
    status.pageClosed(a.context);
}

void ScriptRunner::onSendToPlugin(const QStreamDeckAction &a)
{
    const QString request = a.payload.value(QLatin1String("keyscript")).toString();
    if (request == QLatin1String("status")) {
        status.pageOpened(a.context);
        askStatus(a.action, a.context);
    } else if (TypedActions::isTyped(a.action) &&
               (request == QLatin1String("approve") || request == QLatin1String("runNow"))) {
        onTypedRequest(a);
    } else if (!unknownRequestSaid) {
        unknownRequestSaid = true; // a page of another kind would fill the log
        qDebug() << "sendToPlugin not understood, and ignored from now on:"
                 << QJsonDocument(a.payload).toJson(QJsonDocument::Compact).left(200);
    }
}

void ScriptRunner::recordRun(const KeyEvent &event, const QString &script, ScriptRun run,
                             bool titleSet, const QString &shownTitle)
{
    // A run for the whole plugin counts for each visible key of its action, as its lines did.
    if (event.context.isEmpty() && isPluginEvent(event.event)) {
        for (const KeyEvent &key : visibleKeysOf(event.action))
            recordRun(KeyEvent{event.event, key.action, key.context, key.device, event.payload},
                      script, run, titleSet, shownTitle);
        return;
    }
    // The key shows the result by itself where its script asks.
    if (streamDeck && !ScriptOutput::hostIsGone(streamDeck) &&
        TypedActions::isTyped(event.action)) {
        showTypedOutcome(event, run, titleSet, shownTitle);
    } else if (streamDeck && !ScriptOutput::hostIsGone(streamDeck)) {
        const ScriptHeader &asked = headers.of(script);
        if (run.failed && asked.onFailure.value == QLatin1String("alert"))
            streamDeck->showAlert(event.context);
        else if (run.ending == QLatin1String("exit 0") &&
                 asked.onSuccess.value == QLatin1String("ok"))
            streamDeck->showOk(event.context);
    }
    tellPage(event, script, std::move(run));
}

void ScriptRunner::tellPage(const KeyEvent &event, const QString &script, ScriptRun run)
{
    run.event = event.event;
    run.script = QDir::toNativeSeparators(script);
    if (!status.record(event.context, std::move(run)) || !streamDeck)
        return;
    QJsonObject payload{{QStringLiteral("keyscript"), QStringLiteral("run")},
                        {QStringLiteral("run"), status.runs(event.context).first().toJson()}};
    streamDeck->sendToPropertyInspector(event.action, event.context, payload);
}

void ScriptRunner::sendStatus(const QString &action, const QString &context)
{
    if (!streamDeck)
        return;
    // Every script of the action that is there, and why one cannot run.
    QJsonArray found;
    QJsonArray declared; // the settings the scripts say they want, each name once
    QStringList declaredNames;
    QJsonArray sharedDeclared; // and the shared settings they use
    QStringList sharedNames;
    const bool typed = TypedActions::isTyped(action); // its script is no file in cmd/
    if (isScriptName(action) && !typed) {
        QStringList events{QString()};
        events += scriptEvents();
        for (const QString &event : std::as_const(events)) {
            const QString base =
                scripts.basePath(event.isEmpty() ? action : action + QLatin1Char('@') + event);
            for (const QString &suffix : scriptSuffixes()) {
                const QString path = base + suffix;
                if (!QFileInfo::exists(path))
                    continue;
                QJsonObject script{
                    {QStringLiteral("event"), event.isEmpty() ? QStringLiteral("keyDown") : event},
                    {QStringLiteral("path"), QDir::toNativeSeparators(path)},
                    {QStringLiteral("problem"), whyScriptCannotRun(path)},
                    {QStringLiteral("interpreter"),
                     QDir::toNativeSeparators(interpreterOf(path, wantsPowerShell7(path)))}};
                const QStringList headerErrors = headers.of(path).errors;
                if (!headerErrors.isEmpty())
                    script.insert(QStringLiteral("headerErrors"),
                                  QJsonArray::fromStringList(headerErrors));
                // An appear script that runs again every so often says how often.
                const qint64 every = ScriptHeader::intervalMs(headers.of(path).every.value);
                if (event == QLatin1String("willAppear") && every > 0)
                    script.insert(QStringLiteral("everyMs"), every);
                found.append(script);
                for (const DeclaredSetting &setting : headers.of(path).settings) {
                    if (declaredNames.contains(setting.name))
                        continue;
                    declaredNames << setting.name;
                    declared.append(setting.toJson());
                }
                for (const DeclaredSetting &setting : headers.of(path).sharedSettings) {
                    if (sharedNames.contains(setting.name))
                        continue;
                    sharedNames << setting.name;
                    QJsonObject json = setting.toJson();
                    json.remove(QStringLiteral("default")); // a shared one has no default
                    sharedDeclared.append(json);
                }
                break; // the first one found is the one that runs
            }
        }
    }
    QJsonArray runs;
    for (const ScriptRun &run : status.runs(context))
        runs.append(run.toJson());
    const QString log = QDir::current().absoluteFilePath(QStringLiteral("log.txt"));
    const QPointer<ScriptProcess> live = appearScripts.value(context);
    QJsonObject payload{
        {QStringLiteral("keyscript"), QStringLiteral("status")},
        {QStringLiteral("scripts"), found},
        {QStringLiteral("declared"), declared},
        {QStringLiteral("sharedDeclared"), sharedDeclared},
        {QStringLiteral("pressScript"),
         isScriptName(action) && !typed
             ? QDir::toNativeSeparators(scripts.basePath(action) + newScriptSuffix())
             : QString()},
        {QStringLiteral("runs"), runs},
        {QStringLiteral("live"), live && live->state() != QProcess::NotRunning},
        {QStringLiteral("log"), QJsonObject{{QStringLiteral("path"), QDir::toNativeSeparators(log)},
                                            {QStringLiteral("on"), QFileInfo(log).isFile()}}}};
    if (typed)
        payload.insert(QStringLiteral("typed"), typedStatus(action, context));
    streamDeck->sendToPropertyInspector(action, context, payload);
}
