// ScriptRunner: Run and Watch keys, whose script is typed on the key's settings page. The text
// is one more way to find the program for an event; it runs as every other script does.
#include "scriptrunner.h"

#include "connection/qstreamdeckplugin.h"
#include "models/qstreamdeckaction.h"
#include "scriptoutput.h"
#include "scriptprocess.h"
#include "typedinterpreter.h"
#include "typedscript.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>

namespace {

QJsonObject settingsOf(const KeyEvent &event)
{
    return event.payload.value(QLatin1String("settings")).toObject();
}

} // namespace

TrustedScripts &ScriptRunner::trusted()
{
    if (!trust)
        trust = std::make_unique<TrustedScripts>(TrustedScripts::configFolder());
    return *trust;
}

ScriptProcess *ScriptRunner::runTyped(const KeyEvent &event)
{
    if (!TypedActions::runsOn(event.action, event.event))
        return nullptr;
    const TypedScript typed = TypedScript::fromSettings(newestSettings(event));
    if (typed.text.trimmed().isEmpty()) {
        if (event.isKeyPress() && !ScriptOutput::hostIsGone(streamDeck))
            streamDeck->showAlert(event.context);
        tellPage(event, QString(),
                 ScriptRun::notStarted(QStringLiteral("no script yet: type one on the key's "
                                                      "settings page")));
        return nullptr;
    }
    // Settings travel in profiles that people share: what this computer's user has not seen
    // does not run.
    if (!trusted().isTrusted(typed.fingerprint())) {
        askForReview(event);
        return nullptr;
    }
    reviewing.remove(event.context);
    QString why;
    const QString file = typedFiles.fileFor(typed, &why);
    if (file.isEmpty()) {
        qDebug() << "Could not run the script typed on" << event.context << qUtf8Printable(why);
        recordRun(event, QString(),
                  ScriptRun::notStarted(QStringLiteral("could not start: ") + why));
        return nullptr;
    }
    return start(event, file, &typed);
}

void ScriptRunner::askForReview(const KeyEvent &event)
{
    qDebug() << "Not run: the script on" << event.context
             << "is not allowed on this computer yet; its settings page shows it for review";
    // A Watch key asks once when it appears, not at every turn of its watch.
    const bool first = !reviewing.contains(event.context) || event.isKeyPress();
    reviewing.insert(event.context);
    if (first && !ScriptOutput::hostIsGone(streamDeck)) {
        streamDeck->showAlert(event.context);
        if (event.drawsOnStrip())
            streamDeck->setFeedback(
                QJsonObject{{QStringLiteral("value"), QStringLiteral("Review")}}, event.context);
        else
            streamDeck->setTitle(QStringLiteral("Review"), event.context, 0);
    }
    if (first)
        tellPage(event, QString(),
                 ScriptRun::notStarted(QStringLiteral("not allowed on this computer yet: review "
                                                      "the script and allow it on this page")));
}

void ScriptRunner::showTypedOutcome(const KeyEvent &event, const ScriptRun &run, bool titleSet,
                                    const QString &shown)
{
    if (run.ending == QLatin1String("ended by the plugin"))
        return; // its key has gone
    const TypedScript typed = TypedScript::fromSettings(newestSettings(event));
    if (run.ending.startsWith(QLatin1String("could not start")))
        TypedInterpreter::forget(typed.interpreter); // looked up again at the next run
    const bool dial = event.drawsOnStrip();
    if (event.action == TypedActions::watch() && !dial)
        streamDeck->setState(run.failed ? 1 : 0, event.context);
    // A script that set its title itself keeps it; one that never began has no output.
    const bool began = run.exitCode >= 0 || run.ending == QLatin1String("crashed");
    const QString title = typed.titleFor(run.ignored.value(run.ignored.size() - 1), run.exitCode);
    if (began && !titleSet && !typed.title.isEmpty() && title != shown) {
        if (dial)
            streamDeck->setFeedback(QJsonObject{{QStringLiteral("value"), title}}, event.context);
        else
            streamDeck->setTitle(title, event.context, 0);
    }
    if (run.failed && typed.alertOnFailure)
        streamDeck->showAlert(event.context);
    else if (!run.failed && run.exitCode == 0 && typed.okOnSuccess && !dial)
        streamDeck->showOk(event.context);
}

void ScriptRunner::onTypedRequest(const QStreamDeckAction &a)
{
    const QString request = a.payload.value(QLatin1String("keyscript")).toString();
    if (request == QLatin1String("approve")) {
        // The page sends what was typed or allowed on it, and only this plugin's page can.
        QString interpreter = a.payload.value(QLatin1String("interpreter")).toString().trimmed();
        if (interpreter.isEmpty())
            interpreter = TypedActions::defaultInterpreter();
        const QString text = a.payload.value(QLatin1String("script")).toString();
        if (!trusted().trust(TypedScript::fingerprint(interpreter, text)))
            qDebug() << "Could not keep the allowed script in" << trusted().filePath()
                     << qUtf8Printable(trusted().error());
        runReviewed(a.context);
        askStatus(a.action, a.context);
    } else if (request == QLatin1String("runNow")) {
        KeyEvent press{QStringLiteral("keyDown"), a.action, a.context,
                       visible.value(a.context).device,
                       QJsonObject{{QStringLiteral("settings"),
                                    a.payload.value(QLatin1String("settings")).toObject()}}};
        handle(press);
    }
}

void ScriptRunner::runReviewed(const QString &context)
{
    if (!reviewing.contains(context) || !visible.contains(context))
        return;
    const KeyEvent appearance = visible.value(context);
    const TypedScript typed = TypedScript::fromSettings(settingsOf(appearance));
    if (!trusted().isTrusted(typed.fingerprint()))
        return; // the settings with the allowed text have not come yet
    reviewing.remove(context);
    if (appearance.action != TypedActions::watch()) {
        if (!ScriptOutput::hostIsGone(streamDeck) && !appearance.drawsOnStrip())
            streamDeck->setTitle(QString(), context, 0); // no longer "Review"
        return;
    }
    if (appearScripts.value(context))
        return;
    delete polls.take(context).data();
    handle(appearance);
}

qint64 ScriptRunner::pollIntervalMs(const KeyEvent &event, const QString &script)
{
    if (event.action == TypedActions::watch())
        return qint64(TypedScript::fromSettings(settingsOf(event)).everySeconds) * 1000;
    return qMax<qint64>(0, ScriptHeader::intervalMs(headers.of(script).every.value));
}

QJsonObject ScriptRunner::typedStatus(const QString &action, const QString &context)
{
    const TypedScript typed = TypedScript::fromSettings(settingsOf(visible.value(context)));
    const TypedInterpreter interpreter = TypedInterpreter::find(typed.interpreter, baseEnvironment);
    QString problem = interpreter.problem;
    if (problem.isEmpty() && !QFileInfo(typed.folder).isDir())
        problem = QStringLiteral("the folder %1 does not exist")
                      .arg(QDir::toNativeSeparators(typed.folder));
    QJsonObject status{
        {QStringLiteral("kind"),
         action == TypedActions::watch() ? QStringLiteral("watch") : QStringLiteral("run")},
        {QStringLiteral("interpreter"), typed.interpreter},
        {QStringLiteral("interpreterPath"), QDir::toNativeSeparators(interpreter.program)},
        {QStringLiteral("problem"), problem},
        {QStringLiteral("defaultInterpreter"), TypedActions::defaultInterpreter()},
        {QStringLiteral("folder"), QDir::toNativeSeparators(typed.folder)}};
    // Known only for a key the plugin has seen appear, with its settings.
    if (visible.contains(context))
        status.insert(QStringLiteral("approved"),
                      typed.text.isEmpty() || trusted().isTrusted(typed.fingerprint()));
    return status;
}
