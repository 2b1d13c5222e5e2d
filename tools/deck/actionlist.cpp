#include "actionlist.h"

#include "runner/scriptimage.h"
#include "runner/scriptlookup.h"
#include "runner/typedscript.h"

#include <QDir>
#include <QJsonObject>
#include <QMap>

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
        const QString why = whyScriptCannotRun(file.filePath());
        if (!problems.contains(action) || why.isEmpty())
            problems.insert(action, why);
        else if (!problems.value(action).isEmpty())
            continue; // the first reason stands
    }
    // Run and Watch need no file: their script is typed on the key.
    for (const QString &typed : {TypedActions::run(), TypedActions::watch()})
        problems.insert(typed, QString());
    QJsonArray fresh;
    for (auto it = problems.cbegin(); it != problems.cend(); ++it)
        fresh.append(QJsonObject{{QStringLiteral("action"), it.key()},
                                 {QStringLiteral("problem"), it.value()}});
    otherSystem.removeDuplicates();
    otherSystem.removeIf([&problems](const QString &action) { return problems.contains(action); });
    otherSystem.sort();
    if (fresh == list && otherSystem == others)
        return;
    list = fresh;
    others = otherSystem;
    emit changed();
}
