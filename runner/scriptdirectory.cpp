#include "scriptdirectory.h"

#include "scriptlookup.h"

#include <QDateTime>
#include <QDebug>
#include <QDirIterator>
#include <QFileInfo>

#include <utility>

namespace {
// Far more than a tick of any file system's clock: a listing taken this soon after the folder's
// time could miss a change in the same tick, which would leave the time as it was.
constexpr qint64 tickNs = 100'000'000;

qint64 nowNs()
{
    return QDateTime::currentMSecsSinceEpoch() * 1'000'000;
}
} // namespace

ScriptDirectory::ScriptDirectory(QString path)
    : path(std::move(path))
{
    nextTurn.setSingleShot(true);
    nextTurn.setInterval(0);
    QObject::connect(&nextTurn, &QTimer::timeout, [this] { looked = false; });
}

void ScriptDirectory::refresh()
{
    if (looked)
        return;
    if (modificationTime(path) != listedTime || listedAt - listedTime < tickNs)
        list();
    looked = true;
    nextTurn.start();
}

bool ScriptDirectory::hasScripts(const QString &action)
{
    refresh();
    return actions.contains(fileKey(action));
}

QString ScriptDirectory::find(const QString &name)
{
    refresh();
    for (const QString &suffix : scriptSuffixes()) {
        if (files.contains(fileKey(name + suffix)))
            return path + QLatin1Char('/') + name + suffix;
    }
    return QString();
}

QString ScriptDirectory::findOnDisk(const QString &name)
{
    for (const QString &suffix : scriptSuffixes()) {
        const QString file = path + QLatin1Char('/') + name + suffix;
        if (!QFileInfo(file).isFile())
            continue;
        if (!files.contains(fileKey(name + suffix)))
            listedTime = -2; // never a real time: the next lookup lists again
        return file;
    }
    return QString();
}

QStringList ScriptDirectory::actionsWith(const QString &event)
{
    refresh();
    return eventActions.value(fileKey(event));
}

void ScriptDirectory::list()
{
    // The times first: a change while listing makes the next lookup list again.
    listedAt = nowNs();
    listedTime = modificationTime(path);
    files.clear();
    actions.clear();
    eventActions.clear();
    // Regular files and links to them; not folders, FIFOs or devices.
    QDirIterator it(path, QDir::Files | QDir::Hidden);
    while (it.hasNext()) {
        it.next();
        const QString file = it.fileName();
        files.insert(fileKey(file));
        const QString action = scriptAction(file);
        actions.insert(fileKey(action));
        if (!file.contains(QLatin1Char('@')))
            continue;
        if (!reported.contains(file))
            reportUnknownEvent(file);
        QStringList &serving = eventActions[fileKey(scriptEvent(file))];
        if (!serving.contains(action)) // a.bat and a.ps1 are one action's
            serving << action;
    }
}

void ScriptDirectory::reportUnknownEvent(const QString &file)
{
    // Another system's script (a .bat here) is no script here, and no mistake either.
    if (isOtherSystemsScript(file))
        return;
    const QString event = fileKey(file.section(QLatin1Char('@'), -1));
    for (const QString &known : scriptEvents()) {
        for (const QString &suffix : scriptSuffixes()) {
            if (event == fileKey(known + suffix))
                return;
        }
    }
    reported.insert(file);
    // The name is quoted and escaped as every other outside text in the log: one with a line
    // break in it must not write lines of its own.
    qDebug().nospace() << "Unknown event in " << QString(path + QLatin1Char('/') + file)
                       << ": event scripts end in @"
                       << qUtf8Printable(scriptEvents().join(QLatin1String(", @")));
}
