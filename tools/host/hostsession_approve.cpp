// HostSession: the typed scripts of Run and Watch keys that keyscript-host's user gave it. The
// plugin runs a typed script only once this computer's user has allowed it; keyscript-host keeps
// its own list of them, so trying a script never allows it for the real host.
#include "hostsession.h"

#include "runner/trustedscripts.h"
#include "runner/typedscript.h"

#include <QJsonDocument>
#include <QJsonObject>

void HostSession::approveTyped(const HostOptions::Round &round)
{
    QStringList events = round.events;
    for (const HostOptions::Delayed &delayed : round.delayed)
        events << delayed.event;
    TrustedScripts trusted(TrustedScripts::configFolder());
    for (const QString &event : std::as_const(events)) {
        const QJsonObject message = QJsonDocument::fromJson(event.toUtf8()).object();
        if (!TypedActions::isTyped(message.value(QLatin1String("action")).toString()))
            continue;
        const QJsonObject settings = message.value(QLatin1String("payload"))
                                         .toObject()
                                         .value(QLatin1String("settings"))
                                         .toObject();
        if (!settings.contains(QLatin1String("script")))
            continue;
        const TypedScript typed = TypedScript::fromSettings(settings);
        if (!trusted.isTrusted(typed.fingerprint()) && !trusted.trust(typed.fingerprint()))
            fprintf(stderr, "keyscript-host: cannot allow the typed script in %s: %s\n",
                    qPrintable(trusted.filePath()), qPrintable(trusted.error()));
    }
}
