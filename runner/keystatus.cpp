#include "keystatus.h"

#include <QJsonArray>

#include <utility>

QJsonObject ScriptRun::toJson() const
{
    return {{QStringLiteral("started"), started.toString(Qt::ISODateWithMs)},
            {QStringLiteral("event"), event},
            {QStringLiteral("script"), script},
            {QStringLiteral("ending"), ending},
            {QStringLiteral("failed"), failed},
            {QStringLiteral("ms"), ms},
            {QStringLiteral("stderr"), errors},
            {QStringLiteral("ignored"), QJsonArray::fromStringList(ignored)},
            {QStringLiteral("leftOut"), QJsonArray::fromStringList(leftOut)}};
}

ScriptRun ScriptRun::notStarted(const QString &why)
{
    ScriptRun run;
    run.started = QDateTime::currentDateTime();
    run.ending = why;
    run.failed = true;
    return run;
}

bool KeyStatus::record(const QString &context, ScriptRun run)
{
    if (run.errors.size() > errorsKept)
        run.errors = run.errors.right(errorsKept);
    QList<ScriptRun> &runs = kept[context];
    runs.prepend(std::move(run));
    if (runs.size() > runsKept)
        runs.removeLast();
    // The key is now the one heard from last; the one heard from longest ago makes room.
    heard.removeOne(context);
    heard.append(context);
    if (heard.size() > keysKept) {
        const QString oldest = heard.takeFirst();
        if (!open.contains(oldest))
            kept.remove(oldest);
        else
            heard.append(oldest);
    }
    return open.contains(context);
}

void KeyStatus::pageOpened(const QString &context)
{
    open.removeOne(context);
    open.append(context);
    if (open.size() > pagesKept)
        open.removeFirst();
}
