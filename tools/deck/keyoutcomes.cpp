#include "keyoutcomes.h"

#include <QJsonArray>

bool KeyOutcomes::take(const QJsonObject &message)
{
    const QString context = message.value(QLatin1String("context")).toString();
    const QJsonObject payload = message.value(QLatin1String("payload")).toObject();
    const QString kind = payload.value(QLatin1String("keyscript")).toString();
    QString problem = problems.value(context);
    if (kind == QLatin1String("run")) {
        const QJsonObject run = payload.value(QLatin1String("run")).toObject();
        problem.clear();
        if (run.value(QLatin1String("failed")).toBool()) {
            const QString errors = run.value(QLatin1String("stderr")).toString().trimmed();
            problem = run.value(QLatin1String("event")).toString() + QLatin1String(": ") +
                      run.value(QLatin1String("ending")).toString();
            if (!errors.isEmpty())
                problem += QLatin1Char('\n') + errors.right(300);
        }
    } else if (kind == QLatin1String("status")) {
        // A script that cannot run fails at every press; say so before the first one.
        for (const QJsonValue &script : payload.value(QLatin1String("scripts")).toArray()) {
            const QString why = script.toObject().value(QLatin1String("problem")).toString();
            if (!why.isEmpty()) {
                problem = script.toObject().value(QLatin1String("event")).toString() +
                          QLatin1String(" cannot run: ") + why;
                break;
            }
        }
    } else {
        return false;
    }
    if (problem == problems.value(context))
        return false;
    if (problem.isEmpty())
        problems.remove(context);
    else
        problems.insert(context, problem);
    return true;
}

QString KeyOutcomes::runLine(const QJsonObject &message)
{
    const QJsonObject payload = message.value(QLatin1String("payload")).toObject();
    if (payload.value(QLatin1String("keyscript")).toString() != QLatin1String("run"))
        return QString();
    const QJsonObject run = payload.value(QLatin1String("run")).toObject();
    return QStringLiteral("%1 %2 %3: %4, %5 ms")
        .arg(message.value(QLatin1String("context")).toString(),
             message.value(QLatin1String("action")).toString(),
             run.value(QLatin1String("event")).toString(),
             run.value(QLatin1String("ending")).toString())
        .arg(run.value(QLatin1String("ms")).toInteger());
}
