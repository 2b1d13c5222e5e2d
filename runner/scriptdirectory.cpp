#include "scriptdirectory.h"

#include "scriptlookup.h"

#include <QDateTime>
#include <QDebug>
#include <QDirIterator>

#include <utility>

namespace {
// How long a folder's time counts as recent: far more than any file system's clock tick.
constexpr qint64 recentNs = 2'000'000'000;
} // namespace

ScriptDirectory::ScriptDirectory(QString path)
    : path(std::move(path))
{
}

QString ScriptDirectory::find(const QString &name)
{
    const qint64 time = modificationTime(path);
    if (time != listedTime || QDateTime::currentMSecsSinceEpoch() * 1'000'000 - time < recentNs)
        list();
    for (const QString &suffix : scriptSuffixes()) {
        if (files.contains(fileKey(name + suffix)))
            return path + QLatin1Char('/') + name + suffix;
    }
    return QString();
}

void ScriptDirectory::list()
{
    // The time first: a change while listing makes the next lookup list again.
    listedTime = modificationTime(path);
    files.clear();
    // Regular files and links to them; not folders, FIFOs or devices.
    QDirIterator it(path, QDir::Files | QDir::Hidden);
    while (it.hasNext()) {
        it.next();
        const QString file = it.fileName();
        files.insert(fileKey(file));
        if (file.contains(QLatin1Char('@')) && !reported.contains(file))
            reportUnknownEvent(file);
    }
}

void ScriptDirectory::reportUnknownEvent(const QString &file)
{
    static const QStringList events{QStringLiteral("keyUp"), QStringLiteral("willAppear"),
                                    QStringLiteral("willDisappear"),
                                    QStringLiteral("didReceiveSettings")};
    const QString event = fileKey(file.section(QLatin1Char('@'), -1));
    for (const QString &known : events) {
        for (const QString &suffix : scriptSuffixes()) {
            if (event == fileKey(known + suffix))
                return;
        }
    }
    reported.insert(file);
    qDebug().noquote() << QStringLiteral("Unknown event in \"%1\": event scripts end in @keyUp, "
                                         "@willAppear, @willDisappear or @didReceiveSettings")
                              .arg(path + QLatin1Char('/') + file);
}
