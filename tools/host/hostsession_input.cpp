// HostSession: the lines of --interactive, events as on the command line or raw JSON.
#include "hostsession.h"

#include <QJsonDocument>

#include <cstdio>

void HostSession::inputLine(const QString &line)
{
    const QString text = line.trimmed();
    if (text.isEmpty() || text.startsWith(QLatin1Char('#')))
        return;
    if (text == QLatin1String("help")) {
        out << HostOptions::interactiveHelp() << Qt::flush;
        return;
    }
    HostOptions parsed;
    if (text.startsWith(QLatin1Char('{'))) {
        if (!QJsonDocument::fromJson(text.toUtf8()).isObject()) {
            fprintf(stderr, "keyscript-host: not a JSON object, skipped: %s\n", qPrintable(text));
            return;
        }
        parsed.first.events << text;
    } else {
        parsed = HostOptions::parse(splitShorthand(text), options.plugin, options.keyOfAction,
                                    &changedDevice);
        if (!parsed.error.isEmpty()) {
            fprintf(stderr, "keyscript-host: %s, skipped\n", qPrintable(parsed.error));
            return;
        }
        options.keyOfAction = parsed.keyOfAction;
        changedDevice = parsed.changedDevice;
        options.pressedActions += parsed.pressedActions;
    }
    // Before the registration, they wait for it with the command line's.
    queue(parsed);
    sendMore();
}

void HostSession::inputClosed()
{
    inputOpen = false;
    if (registered)
        quietTimer.start(options.quietMs);
}
