#include "actionlist.h"

#include "runner/scriptimage.h"
#include "runner/scriptlookup.h"
#include "runner/typedscript.h"

#include <QDir>
#include <QJsonObject>
#include <QMap>
#include <QSet>

#include <utility>

ActionList::ActionList(QString folder, QObject *parent)
    : QObject(parent)
    , folder(std::move(folder))
{
    read();
    connect(&timer, &QTimer::timeout, this, &ActionList::read);
    timer.start(1000);
}

bool ActionList::contains(const QString &action) const
{
    for (const QJsonValue &entry : list) {
        if (entry.toObject().value(QLatin1String("action")).toString() == action)
            return true;
    }
    return false;
}

void ActionList::read()
{
    QMap<QString, QString> problems; // by action: empty once one of its scripts can run
    // By action: whether it has a dial's event script, and a press or release script. One with
    // a dial's script serves dials, and keys too when it has either of the others.
    QSet<QString> dialScripts, keyScripts;
    QStringList otherSystem;
    const QDir dir(folder);
    const QFileInfoList files = dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo &file : files) {
        if (ScriptImage::isImageFile(file.fileName()))
            continue; // beside the scripts, for them to show
        if (isOtherSystemsScript(file.fileName())) {
            otherSystem << scriptAction(file.completeBaseName());
            continue;
        }
        const QString action = scriptAction(file.fileName());
        if (!isScriptName(action))
            continue;
        static const QStringList dialEvents{QStringLiteral("dialRotate"),
                                            QStringLiteral("dialDown"), QStringLiteral("dialUp"),
                                            QStringLiteral("touchTap")};
        const QString event =
            file.fileName().section(QLatin1Char('@'), 1).section(QLatin1Char('.'), 0, 0);
        if (dialEvents.contains(event))
            dialScripts << action;
        else if (event.isEmpty() || event == QLatin1String("keyUp"))
            keyScripts << action;
        const QString why = whyScriptCannotRun(file.filePath());
        if (!problems.contains(action) || why.isEmpty())
            problems.insert(action, why);
        else if (!problems.value(action).isEmpty())
            continue; // the first reason stands
    }
    // Run and Watch need no file: their script is typed on the key, or the dial.
    for (const QString &typed : {TypedActions::run(), TypedActions::watch()}) {
        problems.insert(typed, QString());
        dialScripts << typed;
        keyScripts << typed;
    }
    QJsonArray fresh;
    for (auto it = problems.cbegin(); it != problems.cend(); ++it) {
        const bool dials = dialScripts.contains(it.key());
        fresh.append(QJsonObject{{QStringLiteral("action"), it.key()},
                                 {QStringLiteral("problem"), it.value()},
                                 {QStringLiteral("keys"), !dials || keyScripts.contains(it.key())},
                                 {QStringLiteral("dials"), dials}});
    }
    otherSystem.removeDuplicates();
    otherSystem.removeIf([&problems](const QString &action) { return problems.contains(action); });
    otherSystem.sort();
    if (fresh == list && otherSystem == others)
        return;
    list = fresh;
    others = otherSystem;
    emit changed();
}
