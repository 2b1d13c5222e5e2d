// HostSession: what the plugin's log tells about the scripts.
#include "hostsession.h"

#include "runner/scriptlookup.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <cstdio>

void HostSession::onLogLine(const QString &line)
{
    if (options.log)
        out << "log: " << line << Qt::endl;
    // Scripts that start and end, for the spacing of a key's presses. A live key's appear
    // script runs on and is no press's: its start is not counted (its end, counted, only makes
    // a press wait less).
    if (line.startsWith(QLatin1String("run ")) && !line.contains(QLatin1String("@willAppear\" ")))
        ++scriptStarts;
    else if (line.startsWith(QLatin1String("exit ")) || line == QLatin1String("ended") ||
             line == QLatin1String("crashed"))
        ++scriptEnds;
    // A script that failed, or a line that did nothing: shown even without --log.
    if (PluginLog::isFailure(line)) {
        scriptFailed = true;
        if (!options.log)
            fprintf(stderr, "keyscript-host: %s\n", qPrintable(line));
    }
    // The plugin found no script for a press that was sent.
    static const QRegularExpression missing(QStringLiteral(R"re(^Could not found "(.*)"$)re"));
    const QRegularExpressionMatch match = missing.match(line);
    if (!match.hasMatch())
        return;
    QString base = match.captured(1);
    base.replace(QLatin1String("\\\\"), QLatin1String("\\"))
        .replace(QLatin1String("\\\""), QLatin1String("\""));
    if (!options.pressedActions.contains(QFileInfo(base).fileName()))
        return;
    missingScript = true;
    if (options.log)
        return;
    QStringList paths;
    for (const QString &suffix : scriptSuffixes())
        paths << base + suffix;
    const QString last = paths.takeLast();
    fprintf(stderr, "keyscript-host: no script for the press; looked for %s\n",
            qPrintable(paths.isEmpty() ? last : paths.join(QLatin1String(", ")) + " and " + last));
}
